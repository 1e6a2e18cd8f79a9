# Fresh Debian trees of other releases and architectures, for building and
# testing the game where the machine itself is not: made by mmdebstrap from
# the machine's own mirror once, kept as a tarball in the user's cache, and
# unpacked anew for every use. Sourced by the scripts that use them, after
# deps.sh.

# Debian releases the test command proves the game on, beside the machine's own.
OTHER_RELEASES=(trixie)
# Architectures scripts/package cross-builds a .deb for, beside the machine's own.
CROSS_ARCHITECTURES=(arm64 armhf)
# What a cross build for ARCH (written as @) needs in its tree, and what the
# game needs there to draw under emulation.
CROSS_PACKAGES=(build-essential debhelper cmake python3 crossbuild-essential-@ libgl-dev:@ libglut-dev:@
    libglx-dev:@ libopengl-dev:@ libx11-dev:@ libgtest-dev:@ libgl1-mesa-dri:@ libglx-mesa0:@)

tree_cache=${XDG_CACHE_HOME:-${HOME:?}/.cache}/zelvix
tree_sudo=()
[ "$(id -u)" -ne 0 ] && tree_sudo=(sudo --preserve-env)

# debian_mirror [RELEASE]: the machine's own Debian mirror, as apt reaches it,
# and the components apt takes from it: "SITE COMPONENT...". RELEASE is the
# machine's own by default; a mirror of it serves the others too.
debian_mirror() {
    local codename=${1:-$(. /etc/os-release && echo "$VERSION_CODENAME")}
    apt-get indextargets --format '$(SITE) $(COMPONENT)' "Release: $codename" \
        "Architecture: $(dpkg --print-architecture)" 'Identifier: Packages' |
        awk '!site { site = $1; line = $1 } $1 == site && !seen[$2]++ { line = line " " $2 } END { print line }'
}

# tree_tarball RELEASE ARCHITECTURES PACKAGE...: prints the path of the cached
# tarball of a RELEASE tree for ARCHITECTURES (comma-separated, the machine's
# own first) with PACKAGE... installed, bootstrapping it the first time. Its
# name holds a digest of what it holds, so a changed list makes a new one
# (and the old one goes); runs that start together wait for one bootstrap.
tree_tarball() {
    local release=$1 architectures=$2
    shift 2
    local packages=$*
    local digest mirror
    digest=$(printf '%s\n' "$release" "$architectures" "$packages" | sha256sum | cut -c1-12)
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
        logged "$tree_cache/$name.log" "mmdebstrap $release" "${tree_sudo[@]}" mmdebstrap --mode=root \
            --variant=apt --architectures="$architectures" --include="${packages// /,}" \
            --components="$(IFS=,; echo "${mirror[*]:1}")" "$release" "$tarball.partial.tar" "${mirror[0]}"
        mv "$tarball.partial.tar" "$tarball"
    fi
    exec {lock}>&-
    echo "$tarball"
}

# cross_tarball ARCH: the cached tarball of a tree of the machine's release for
# the machine's architecture and ARCH, with what a cross build for ARCH needs.
cross_tarball() {
    tree_tarball "$(. /etc/os-release && echo "$VERSION_CODENAME")" "$(dpkg --print-architecture),$1" \
        "${CROSS_PACKAGES[@]//@/$1}"
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

# tree_run [--keep-downloads DIR] COMMAND...: runs COMMAND in the tree of the
# session, with the machine's /sys and /dev and a /proc of its own, in mount
# and process namespaces of its own: whatever COMMAND leaves running ends
# with it. --keep-downloads keeps the packages apt downloads there in DIR,
# for the next tree.
tree_run() {
    local downloads=
    if [ "$1" = --keep-downloads ]; then
        downloads=$2
        mkdir -p "$downloads"
        shift 2
    fi
    # shellcheck disable=SC2016
    unshare --mount --pid --fork --propagation private -- sh -c '
        dir=$1 downloads=$2
        shift 2
        mount -t proc proc "$dir/proc" && mount --rbind /sys "$dir/sys" && mount --rbind /dev "$dir/dev" &&
            { [ -z "$downloads" ] || mount --bind "$downloads" "$dir/var/cache/apt/archives"; } &&
            exec chroot "$dir" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"' \
        - "$TREE" "$downloads" "$@"
}

# tree_remove WORK: removes the work folder of a session, files the tree's
# root made among it.
tree_remove() {
    "${tree_sudo[@]}" rm -rf --one-file-system "$1"
}
