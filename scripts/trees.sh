# Fresh Debian trees of other releases and architectures, for building and
# testing the game where the machine itself is not: made by mmdebstrap from
# the machine's own mirror once, kept as a tarball in the user's cache, and
# unpacked anew for every use. Sourced by the scripts that use them, after
# packages.sh.

# Debian releases the test command proves the game on, beside the machine's own.
OTHER_RELEASES=(trixie)
# Architectures scripts/package cross-builds a .deb for, beside the machine's own.
CROSS_ARCHITECTURES=(arm64 armhf)

# is_release NAME, is_architecture NAME: whether NAME is a row of those lists.
is_release() { printf '%s\n' "${OTHER_RELEASES[@]}" | grep -qxF -- "$1"; }
is_architecture() { printf '%s\n' "${CROSS_ARCHITECTURES[@]}" | grep -qxF -- "$1"; }

tree_cache=${XDG_CACHE_HOME:-${HOME:?}/.cache}/zelvix
# What the test command's own builds compile, kept by ccache.
compiler_cache=$tree_cache/ccache
tree_sudo=()
[ "$(id -u)" -ne 0 ] && tree_sudo=(sudo --preserve-env)

# debian_mirror [RELEASE]: the machine's own Debian mirror, as apt reaches it,
# and the components apt takes from it: "SITE COMPONENT...". RELEASE is the
# machine's own by default; a mirror of it serves the others too.
debian_mirror() {
    local codename=${1:-$(machine_release)}
    apt-get indextargets --format '$(SITE) $(COMPONENT)' "Release: $codename" \
        "Architecture: $(dpkg --print-architecture)" 'Identifier: Packages' |
        awk '!site { site = $1; line = $1 } $1 == site && !seen[$2]++ { line = line " " $2 } END { print line }'
}

# tree_tarball RELEASE ARCHITECTURES PACKAGES [HOST]: prints the path of the
# cached tarball of a RELEASE tree for ARCHITECTURES (comma-separated, the
# machine's own first) with PACKAGES (comma-separated) installed, and with
# HOST (an architecture) what debian/control's Build-Depends asks to build
# for HOST, bootstrapping it the first time. Its name holds a digest of what
# it holds, so a changed list makes a new one (and the old one goes); runs
# that start together wait for one bootstrap.
tree_tarball() {
    local release=$1 architectures=$2 packages=$3 host=${4-}
    local digest mirror hooks=()
    local debian
    debian=$(cd "${BASH_SOURCE[0]%/*}/../debian" && pwd)
    [ -z "$host" ] || tree_hooks "$host"
    digest=$({ printf '%s\n' "$release" "$architectures" "$packages" "$host" &&
        if [ -n "$host" ]; then cat "$debian/control"; fi; } | sha256sum | cut -c1-12)
    local name=tree-$release-${architectures//,/+}
    local tarball=$tree_cache/$name-$digest.tar
    mkdir -p "$tree_cache"
    exec {lock}>"$tree_cache/$name.lock"
    flock "$lock"
    if [ ! -f "$tarball" ]; then
        read -ra mirror <<<"$(debian_mirror)"
        if [ ${#mirror[@]} -eq 0 ]; then
            echo "${0##*/}: apt's sources name no Debian mirror" >&2
            return 1
        fi
        echo "Bootstrapping a $release tree for $architectures from ${mirror[0]} into $tarball" >&2
        rm -f "$tree_cache/$name"-*.tar
        : >"$tree_cache/$name.log"
        logged "$tree_cache/$name.log" "mmdebstrap $release" "${tree_sudo[@]}" env ZELVIX_DEBIAN="$debian" \
            mmdebstrap --mode=root \
            --variant=apt --architectures="$architectures" --include="$packages" "${hooks[@]}" \
            --components="$(IFS=,; echo "${mirror[*]:1}")" "$release" "$tarball.partial.tar" "${mirror[0]}"
        mv "$tarball.partial.tar" "$tarball"
    fi
    exec {lock}>&-
    echo "$tarball"
}

# tree_hooks HOST: sets hooks to mmdebstrap's options that install, in the
# tree, what debian/control's Build-Depends asks to build for HOST. mmdebstrap
# splits its special hooks (copy-in and the like) on spaces, so no path goes
# into a hook: the shell hooks find the debian/ folder in ZELVIX_DEBIAN.
tree_hooks() {
    local host=$1
    # shellcheck disable=SC2016
    hooks=(--customize-hook='mkdir "$1/tmp/zelvix" && cp -R "$ZELVIX_DEBIAN" "$1/tmp/zelvix/debian"'
        --customize-hook='chroot "$1" apt-get build-dep -y -qq -a'"$host"' /tmp/zelvix'
        --customize-hook='rm -r "$1/tmp/zelvix"')
}

# machine_release: the codename of the machine's own Debian release.
machine_release() { (. /etc/os-release && echo "$VERSION_CODENAME"); }

# release_tarball RELEASE: the cached tarball of a bare RELEASE tree for the
# machine's architecture, with what it takes to clone the project; the package's
# own tests and piuparts run in one of the machine's release.
release_tarball() {
    tree_tarball "$1" "$(dpkg --print-architecture)" ca-certificates,git
}

# cross_tarball ARCH: the cached tarball of a tree of the machine's release for
# the machine's architecture and ARCH, with what a cross build for ARCH needs.
cross_tarball() {
    tree_tarball "$(machine_release)" "$(dpkg --print-architecture),$1" \
        "build-essential,crossbuild-essential-$1" "$1"
}

# cross_build ARCH WORK PROFILES [COMMAND...]: cross-builds the .deb for ARCH
# from the source package in WORK/build with the build profiles PROFILES
# (cross among them), in a fresh tree of the machine's release with what a
# cross build for ARCH needs, and leaves it there with the build's log,
# build.log; then runs COMMAND in the same tree session (see tree_session),
# the build's tree in /build/source. Unless PROFILES hold nocheck, the unit
# tests are built and the package build runs them under qemu's user-mode
# emulation.
cross_build() {
    local arch=$1 work=$2 profiles=$3 tarball cpu
    shift 3
    tarball=$(cross_tarball "$arch")
    cpu=$(dpkg-architecture -a"$arch" -qDEB_HOST_GNU_CPU 2>/dev/null)
    cp "${BASH_SOURCE[0]%/*}/packaging.sh" "$work/build/"
    # shellcheck disable=SC2016
    tree_session "$tarball" "$work" bash -ec '
        arch=$1 cpu=$2 profiles=$3
        shift 3
        cp "/usr/bin/qemu-$cpu-static" "$TREE/usr/bin/"
        if ! tree_run bash -ec ". /build/packaging.sh && cd /build && dpkg-source -x ./*.dsc source >/dev/null &&
            cd source && build_debs -a$arch -P$profiles -b" >"$TREE/build/build.log" 2>&1; then
            echo "the cross build for $arch failed; the end of its log:" >&2
            tail -n 25 "$TREE/build/build.log" >&2
            exit 1
        fi
        [ $# -eq 0 ] || "$@"' - "$arch" "$cpu" "$profiles" "$@"
}

# tree_session TARBALL WORK COMMAND...: runs COMMAND as root beside a fresh
# tree unpacked from TARBALL into memory at WORK/tree, with WORK/build (made
# here) as its /build, in a mount namespace of its own: the tree and all that
# is mounted for it go when COMMAND ends, however it ends. COMMAND finds the
# tree in TREE, and may call tree_run; the tree reaches the network as the
# machine does.
tree_session() {
    local tarball=$1 work=$2
    shift 2
    mkdir -p "$work/tree" "$work/build"
    # shellcheck disable=SC2016
    "${tree_sudo[@]}" unshare --mount --propagation private -- bash -ec '
        . "$0"
        export TREE=$1/tree
        mount -t tmpfs tmpfs "$TREE"
        tar -xf "$2" -C "$TREE"
        cp /etc/resolv.conf "$TREE/etc/resolv.conf"
        mkdir "$TREE/build"
        mount --bind "$1/build" "$TREE/build"
        export -f tree_run
        shift 2
        "$@"' "${BASH_SOURCE[0]}" "$work" "$tarball" "$@"
}

# tree_run [--keep DIR] COMMAND...: runs COMMAND in the tree of the session,
# with the machine's /sys and /dev and a /proc of its own, in mount and
# process namespaces of its own: whatever COMMAND leaves running ends with it.
# --keep keeps in DIR, for the next tree, the packages apt downloads there
# (DIR/apt) and what the test command's builds there compile (DIR/ccache).
tree_run() {
    local keep=
    if [ "$1" = --keep ]; then
        keep=$2
        mkdir -p "$keep/apt" "$keep/ccache"
        shift 2
    fi
    # DIR/ccache becomes the compiler_cache of the tree's root (HOME=/root).
    # shellcheck disable=SC2016
    unshare --mount --pid --fork --propagation private -- sh -c '
        dir=$1 keep=$2
        shift 2
        mount -t proc proc "$dir/proc" && mount --rbind /sys "$dir/sys" && mount --rbind /dev "$dir/dev" &&
            { [ -z "$keep" ] || { mount --bind "$keep/apt" "$dir/var/cache/apt/archives" &&
                mkdir -p "$dir/root/.cache/zelvix/ccache" &&
                mount --bind "$keep/ccache" "$dir/root/.cache/zelvix/ccache"; }; } &&
            exec chroot "$dir" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"' \
        - "$TREE" "$keep" "$@"
}

# tree_remove WORK: removes the work folder of a session, files the tree's
# root made among it.
tree_remove() {
    "${tree_sudo[@]}" rm -rf --one-file-system "$1"
}
