# What the scripts share: installing the Debian packages they need, fetching a
# Debian source package, and the package lists. Sourced by every script.

# Installs the Debian packages named in its arguments that are not installed yet.
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

# logged LOG WHAT COMMAND...: runs COMMAND with its output added to LOG; when
# it fails, says what failed, shows the end of LOG and exits.
logged() {
    local log=$1 what=$2
    shift 2
    if ! "$@" >>"$log" 2>&1; then
        echo "${0##*/}: $what failed; the end of $log:" >&2
        tail -n 25 "$log" >&2
        exit 1
    fi
}

# lintian_clean FILE SCRATCH: shows lintian's pedantic report on FILE (a .deb
# or .dsc), infos and overrides among it, and fails when it names an error or
# a warning or lintian itself fails. Overrides in debian/ say why a tag does
# not apply; --fail-on would count them too, so the tags are read. Its scratch
# files go in SCRATCH (it leaves some behind in TMPDIR).
lintian_clean() {
    local report=$2/lintian-${1##*/}.out status=0
    TMPDIR=$2 lintian --display-info --pedantic --show-overrides "$1" >"$report" 2>&1 || status=$?
    cat "$report"
    ! grep -qE '^[EW]: ' "$report" && [ "$status" -eq 0 ]
}

# fetch_source PACKAGE VERSION WORK: fetches Debian's source package
# PACKAGE=VERSION once into WORK/sources (a finished download is renamed into
# place) and unpacks it afresh into WORK/src/PACKAGE. apt-get runs with a
# private list of the machine's own archives as deb-src, and private lists and
# cache: the machine's apt configuration is untouched.
fetch_source() {
    local package=$1 version=$2 work=$3
    local apt=$work/apt log=$work/fetch.log
    local kept=$work/sources/${package}_$version
    if [ ! -d "$kept" ]; then
        echo "Fetching the source package $package $version"
        rm -rf "$apt" "$kept.partial"
        mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/cache/archives/partial" "$kept.partial"
        : >"$apt/sources.list"
        if [ -f /etc/apt/sources.list ]; then
            sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >>"$apt/sources.list"
        fi
        for list in /etc/apt/sources.list.d/*.sources; do
            if [ -e "$list" ]; then
                sed 's/^Types: deb$/Types: deb-src/' "$list" >"$apt/sources.list.d/${list##*/}"
            fi
        done
        for list in /etc/apt/sources.list.d/*.list; do
            if [ -e "$list" ]; then
                sed -n 's/^deb /deb-src /p' "$list" >>"$apt/sources.list"
            fi
        done
        local options=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/sources.list.d"
            -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache")
        : >"$log"
        logged "$log" "apt-get update (of the deb-src lists)" apt-get "${options[@]}" update
        logged "$log" "apt-get source $package=$version" \
            env -C "$kept.partial" apt-get "${options[@]}" source --download-only "$package=$version"
        mv "$kept.partial" "$kept"
    fi
    rm -rf "$work/src"
    mkdir -p "$work/src"
    logged "$log" "unpacking $package $version" dpkg-source -x "$kept/${package}_${version#*:}.dsc" \
        "$work/src/$package"
}

# What building and playing the game needs.
GAME_PACKAGES=(build-essential cmake libglut-dev libgl-dev libx11-dev libgl1-mesa-dri python3 libcanberra-dev)

# What the tests, checks and benchmarks need on top.
TEST_PACKAGES=(libgtest-dev libbenchmark-dev xvfb xauth xdotool x11-apps x11-utils imagemagick
    python3 clang clang-format clang-tidy libclang-rt-dev man-db pulseaudio pulseaudio-utils)

# What the Windows cross build and its tests under Wine need.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 dpkg-dev googletest
    wine wine64)

# What the browser page needs: Debian's Emscripten, freeglut's source package
# for the fonts (through dpkg-dev), and rsvg-convert for the site's icons; for
# its test the three engines' browsers driven through Selenium (Chromium,
# WebKitGTK's MiniBrowser, Firefox), and Node.js for Lighthouse (npm comes
# with some builds of nodejs; install_npm adds Debian's only where it does not).
WEB_PACKAGES=(cmake emscripten dpkg-dev libglut-dev librsvg2-bin)
WEB_TEST_PACKAGES=(chromium chromium-driver python3-selenium webkit2gtk-driver firefox-esr xvfb xauth nodejs)
install_npm() { command -v npm >/dev/null || install_missing npm; }

# What building the Debian package (debian/control's Build-Depends) and
# checking it (tests/package/check_deb.sh, piuparts in a fresh chroot among
# it) need on top of the game's packages; and what checking that the packages
# reproduce needs (tests/package/check_reproducible.sh: diffoscope, and the
# locale and time zone it builds in).
PACKAGE_PACKAGES=(debhelper dpkg-dev libglx-dev libopengl-dev libgtest-dev python3
    lintian desktop-file-utils appstream xvfb xauth xdotool x11-apps x11-utils man-db zip unzip icoutils
    piuparts debootstrap diffoscope-minimal locales tzdata)

# What making fresh trees of other Debian releases and architectures
# (scripts/trees.sh) and running another architecture's programs need.
TREE_PACKAGES=(mmdebstrap qemu-user-static)
