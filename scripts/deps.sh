# Installs the Debian packages named in its arguments that are not installed yet.
# Sourced by the play and test scripts.
install_missing() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# apt-get source with a private list of the machine's own archives as deb-src,
# and private lists and cache: the machine's apt configuration is untouched.
# The source lands in WORK/src, the private lists in WORK/apt.
#   fetch_source PACKAGE VERSION WORK
fetch_source() {
    local package=$1 version=$2 work=$3 apt=$3/apt
    mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/cache/archives/partial" "$work/src"
    : >"$apt/sources.list"
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list 2>/dev/null >>"$apt/sources.list" || true
    for list in /etc/apt/sources.list.d/*.sources; do
        [ -e "$list" ] && sed 's/^Types: deb$/Types: deb-src/' "$list" >"$apt/sources.list.d/${list##*/}"
    done
    for list in /etc/apt/sources.list.d/*.list; do
        [ -e "$list" ] && sed -n 's/^deb /deb-src /p' "$list" >>"$apt/sources.list"
    done
    local options=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/sources.list.d"
        -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache")
    apt-get "${options[@]}" update -qq
    (cd "$work/src" && apt-get "${options[@]}" source -qq "$package=$version" 2>&1 |
        grep -v -e '^dpkg-source: info' -e 'unsandboxed as root' || true)
}

# What building and playing the game needs.
GAME_PACKAGES=(build-essential cmake libglut-dev libgl-dev libx11-dev libgl1-mesa-dri python3)

# What the tests, checks and benchmarks need on top.
TEST_PACKAGES=(libgtest-dev libbenchmark-dev xvfb xauth xdotool x11-apps x11-utils imagemagick
    python3 clang clang-format clang-tidy libclang-rt-14-dev man-db)

# What the Windows cross build and its tests under Wine need.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 dpkg-dev googletest
    wine wine64)

# What the browser page needs: Debian's Emscripten, freeglut's source package
# for the fonts (through dpkg-dev), and for its test headless Chromium driven
# through Selenium.
WEB_PACKAGES=(cmake emscripten dpkg-dev libglut-dev)
WEB_TEST_PACKAGES=(chromium chromium-driver python3-selenium)

# What building the Debian package (debian/control's Build-Depends) and
# checking it (tests/package/check_deb.sh) need on top of the game's packages.
PACKAGE_PACKAGES=(debhelper dpkg-dev libglx-dev libopengl-dev libgtest-dev python3
    lintian desktop-file-utils appstream xvfb xauth xdotool x11-apps x11-utils man-db zip unzip icoutils)
