# The Debian packages each part of the work needs, and how the scripts get
# them: installing what is missing, fetching a source package. Sourced by
# every script.

# Installs the Debian packages named in its arguments that are not installed yet.
install_missing() {
    local missing=()
    local pkg
    local -A asked=()
    for pkg in "$@"; do
        [ -z "${asked[$pkg]-}" ] || continue
        asked[$pkg]=1
        # A package whose triggers wait while another install runs is there.
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -qE 'ok (installed|triggers-(pending|awaited))$'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "Installing: ${missing[*]}"
    # Waits for apt's lock while another install runs. The lists are
    # fetched once a run, by its first install.
    local apt=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600)
    if [ -z "${ZELVIX_APT_UPDATED-}" ]; then
        "${apt[@]}" update -qq
        export ZELVIX_APT_UPDATED=1
    fi
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

# build_depends [--all]: the names of the packages debian/control's
# Build-Depends lists; without --all, only those that build the game itself,
# neither debhelper nor what only its tests need.
build_depends() {
    awk -v all="${1-}" '
        /^[^ ]/ { field = /^Build-Depends:/; sub(/^Build-Depends:/, "") }
        !field { next }
        { n = split($0, items, ",") }
        { for (i = 1; i <= n; i++) {
            item = items[i]
            if (all != "--all" && (item ~ /<!nocheck>/ || item ~ /debhelper/)) continue
            sub(/^[ \t]+/, "", item); sub(/[ \t(:<].*/, "", item)
            if (item == "debhelper-compat") item = "debhelper"
            if (item != "") print item
        } }' "${BASH_SOURCE[0]%/*}/../debian/control"
}

# What building and playing the game needs: a compiler, the build
# dependencies, a GL driver to draw with and libcanberra's driver for the
# sound server, to beep with (the .deb recommends it).
mapfile -t GAME_PACKAGES < <(build_depends)
GAME_PACKAGES=(build-essential "${GAME_PACKAGES[@]}" libgl1-mesa-dri libcanberra-pulse)

# What the tests, checks and benchmarks need on top, and ccache, which the
# test command's own builds compile through.
TEST_PACKAGES=(libgtest-dev libbenchmark-dev xvfb xauth xdotool x11-apps x11-utils imagemagick
    python3 clang-format clang-tidy man-db pulseaudio pulseaudio-utils ccache)
# What the sanitizers' build and the fuzzing need.
SANITIZE_PACKAGES=(clang libclang-rt-dev)

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

# What building the Debian package needs (all of debian/control's
# Build-Depends) and checking it (tests/package/check_deb.sh, piuparts
# among it); and what checking that the packages reproduce needs
# (tests/package/check_reproducible.sh: diffoscope, and the locale and time
# zone it builds in).
mapfile -t PACKAGE_PACKAGES < <(build_depends --all)
PACKAGE_PACKAGES+=(dpkg-dev lintian desktop-file-utils appstream xvfb xauth xdotool x11-apps x11-utils man-db zip unzip icoutils
    piuparts debootstrap diffoscope-minimal locales tzdata)

# What making fresh trees of Debian releases and architectures
# (scripts/trees.sh), running another architecture's programs and running the
# package's own tests as Debian's CI does, in such a tree
# (tests/package/run_autopkgtest.sh), need.
TREE_PACKAGES=(mmdebstrap qemu-user-static autopkgtest uidmap)
