#!/usr/bin/env bash
# Checks what `cmake --install` puts under a prefix, as a packager or a desktop would see it.
#
#   InstallCheck.sh install  BUILD WORK            install everything into WORK/all
#   InstallCheck.sh files    BUILD WORK LIST LIBDIR the tree, and each component's share of it,
#                                                   hold exactly the files LIST names; the
#                                                   desktop entry, icons and metainfo name each
#                                                   other; each bitmap icon has its folder's size
#   InstallCheck.sh desktop  WORK                   desktop-file-validate accepts the entry
#   InstallCheck.sh appstream WORK                  appstreamcli accepts the metainfo in the tree
#   InstallCheck.sh manual   WORK                   groff reads the manual pages without a warning
#
# A check whose tool is missing exits with 77, which CTest reports as skipped.
set -uo pipefail

readonly app_id=hr.varn.Varn
readonly icon_sizes=(16 32 48 64 128 256)

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

need_tool() {
    command -v "$1" >/dev/null || {
        echo "SKIP: $1 is not installed (Debian package $2)"
        exit 77
    }
}

# install_into PREFIX [COMPONENT]: a fresh install of the build (or of one component). A DESTDIR
# in the environment would move the files away from the prefix, so it is dropped.
install_into() {
    rm -rf "$1"
    local component=()
    [ $# -gt 1 ] && component=(--component "$2")
    env -u DESTDIR cmake --install "$build" --prefix "$1" "${component[@]}" >/dev/null \
        || fail "cmake --install ${component[*]} into $1 failed"
}

# list_tree PREFIX: the files and links under PREFIX, named as the expected list names them.
list_tree() {
    (cd "$1" && find . \( -type f -o -type l \) -printf '%P\n') \
        | sed -e "s|^$libdir/|<libdir>/|" \
              -e 's|/pelnixTargets-[a-z]*\.cmake$|/pelnixTargets-<config>.cmake|' \
        | LC_ALL=C sort
}

# expected [COMPONENT]: the expected list's file names, of one component or of all.
expected() {
    grep -v -e '^#' -e '^[[:space:]]*$' "$list" \
        | awk -v component="${1:-}" 'component == "" || $1 == component { print $2 }' \
        | LC_ALL=C sort
}

# compare WHAT EXPECTED ACTUAL: names the files one has and the other lacks.
compare() {
    local missing unexpected
    missing=$(LC_ALL=C comm -23 <(echo "$2") <(echo "$3"))
    unexpected=$(LC_ALL=C comm -13 <(echo "$2") <(echo "$3"))
    [ -z "$missing" ] && [ -z "$unexpected" ] && return 0
    echo "$1 differs from $list:" >&2
    local names
    if [ -n "$missing" ]; then
        mapfile -t names <<<"$missing"
        printf '  missing:\n' >&2 && printf '    %s\n' "${names[@]}" >&2
    fi
    if [ -n "$unexpected" ]; then
        mapfile -t names <<<"$unexpected"
        printf '  not listed:\n' >&2 && printf '    %s\n' "${names[@]}" >&2
    fi
    return 1
}

# png_size FILE: "WIDTHxHEIGHT" from the PNG header's IHDR chunk.
png_size() {
    local width height
    [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || return 1
    read -r width height < <(od -An -j16 -N8 -tu1 "$1" \
        | awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4, $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }')
    echo "${width}x${height}"
}

check_files() {
    local ok=0 component
    compare "The installed tree" "$(expected)" "$(list_tree "$work/all")" || ok=1
    # Each file belongs to exactly the component its package is made from: a file in no
    # component would land in no package, one in the wrong one in the wrong package.
    for component in program library development; do
        install_into "$work/component-$component" "$component"
        compare "Component $component" "$(expected "$component")" \
            "$(list_tree "$work/component-$component")" || ok=1
    done

    local share="$work/all/share" entry="$work/all/share/applications/$app_id.desktop"
    local icon exec size
    icon=$(sed -n 's/^Icon=//p' "$entry")
    exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
    [ "$icon" = "$app_id" ] || { echo "the desktop entry's Icon is \"$icon\", not $app_id" >&2; ok=1; }
    [ -x "$work/all/bin/$exec" ] || { echo "the desktop entry's Exec \"$exec\" is not in bin/" >&2; ok=1; }
    grep -q "<id>$app_id</id>" "$share/metainfo/$app_id.metainfo.xml" \
        || { echo "the metainfo's id is not $app_id" >&2; ok=1; }
    grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" \
        "$share/metainfo/$app_id.metainfo.xml" \
        || { echo "the metainfo does not launch $app_id.desktop" >&2; ok=1; }
    for size in "${icon_sizes[@]}"; do
        local png="$share/icons/hicolor/${size}x${size}/apps/$icon.png"
        [ -f "$png" ] || continue # already named by the list comparison
        [ "$(png_size "$png")" = "${size}x${size}" ] \
            || { echo "$png is $(png_size "$png" || echo "no PNG"), not ${size}x${size}" >&2; ok=1; }
    done
    [ $ok -eq 0 ] || fail "the installed tree is not as expected"
    echo "the installed tree holds the expected files, each in its component"
}

check_manual() {
    need_tool groff groff-base
    local page warnings ok=0
    for page in "$work/all/share/man/man1/varn.1" "$work/all/share/man/hr/man1/varn.1"; do
        [ -f "$page" ] || fail "$page is not installed"
        # -ww: every warning; -z: no output, only the diagnostics. The pages are UTF-8, read for a
        # UTF-8 terminal as man shows them.
        warnings=$(groff -K utf8 -T utf8 -man -ww -z "$page" 2>&1)
        [ -z "$warnings" ] || { echo "$page:" >&2; echo "$warnings" >&2; ok=1; }
    done
    [ $ok -eq 0 ] || fail "groff warns about the manual pages"
    echo "both manual pages read without a warning"
}

mode=${1:-}
case "$mode" in
install)
    [ $# -eq 3 ] || fail "usage: $0 install BUILD WORK"
    build=$2 work=$3
    install_into "$work/all"
    ;;
files)
    [ $# -eq 5 ] || fail "usage: $0 files BUILD WORK LIST LIBDIR"
    build=$2 work=$3 list=$4 libdir=$5
    check_files
    ;;
desktop)
    [ $# -eq 2 ] || fail "usage: $0 desktop WORK"
    need_tool desktop-file-validate desktop-file-utils
    desktop-file-validate "$2/all/share/applications/$app_id.desktop" || fail "desktop-file-validate"
    echo "desktop-file-validate accepts $app_id.desktop"
    ;;
appstream)
    [ $# -eq 2 ] || fail "usage: $0 appstream WORK"
    need_tool appstreamcli appstream
    # validate-tree reads the metainfo together with the desktop entry and icons it points at;
    # --no-net keeps the check from reaching out for URLs.
    appstreamcli validate-tree --no-net --explain "$2/all" || fail "appstreamcli validate-tree"
    ;;
manual)
    [ $# -eq 2 ] || fail "usage: $0 manual WORK"
    work=$2
    check_manual
    ;;
*)
    sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
    ;;
esac
