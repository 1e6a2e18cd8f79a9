# Building the game's Debian packages and checking them: the options every
# package build takes, lintian's reading and the release's checksums. Sourced
# by the packaging script and the package checks, inside trees too (it needs
# nothing but bash and dpkg's tools).

# build_debs ARG...: dpkg-buildpackage -us -uc ARG... in the source tree in the
# working directory, with no debug symbols package and a short log.
build_debs() {
    DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:+$DEB_BUILD_OPTIONS }noautodbgsym terse" dpkg-buildpackage -us -uc "$@"
}

# lintian_clean FILE SCRATCH [TAG...]: shows lintian's pedantic report on FILE
# (a .deb, .dsc or .changes), infos and overrides among it, and fails when it
# names an error or a warning other than the TAGs allowed, or lintian itself
# fails. Overrides in debian/ say why a tag does not apply; --fail-on would
# count them too, so the tags are read. Its scratch files go in SCRATCH (it
# leaves some behind in TMPDIR).
lintian_clean() {
    local file=$1 scratch=$2 report=$2/lintian-${1##*/}.out status=0 allowed='^$'
    shift 2
    [ $# -eq 0 ] || allowed="^[EW]: [^:]*: ($(IFS='|' && echo "$*"))( |$)"
    TMPDIR=$scratch lintian --display-info --pedantic --show-overrides "$file" >"$report" 2>&1 || status=$?
    cat "$report"
    ! grep -E '^[EW]: ' "$report" | grep -qvE "$allowed" && [ "$status" -eq 0 ]
}

# write_checksums DIST: SHA256SUMS in DIST, the checksums of every other file
# there, in one order whatever the locale, by the names `sha256sum -c` reads.
# Runs that add to DIST at once take turns.
write_checksums() {
    (
        flock 9
        rm -f "$1/SHA256SUMS"
        (cd "$1" && LC_ALL=C && sha256sum -- *) >"$1/.SHA256SUMS"
        mv "$1/.SHA256SUMS" "$1/SHA256SUMS"
    ) 9<"$1"
}
