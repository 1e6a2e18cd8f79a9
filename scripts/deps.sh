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
    # Waits for apt's lock while another install runs.
    local apt=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600)
    "${apt[@]}" update -qq
    "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}"
}

# What building and playing the game needs.
GAME_PACKAGES=(build-essential cmake libglut-dev libgl-dev libx11-dev libgl1-mesa-dri)

# What the tests, checks and benchmarks need on top.
TEST_PACKAGES=(libgtest-dev libbenchmark-dev xvfb xauth xdotool x11-apps x11-utils imagemagick
    python3 clang clang-format clang-tidy libclang-rt-dev man-db)

# What the Windows cross build and its tests under Wine need.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 dpkg-dev googletest
    wine wine64)

# What building the Debian package (debian/control's Build-Depends) and
# checking it (tests/package/check_deb.sh) need on top of the game's packages.
PACKAGE_PACKAGES=(debhelper dpkg-dev libglx-dev libopengl-dev libgtest-dev python3
    lintian desktop-file-utils appstream xvfb xauth xdotool man-db zip unzip icoutils)
