#!/usr/bin/env bash
# varn's command line as a user meets it, without any display: --help and --version answer on
# standard output in English or Croatian and exit 0; an unknown option is refused on standard
# error with exit code 2; the display toolkit's own options are accepted, and reach the toolkit.
#
#   tests/app/CommandLineTest.sh PROGRAM VERSION
set -uo pipefail

[ $# -eq 2 ] || { echo "usage: $0 PROGRAM VERSION" >&2; exit 2; }
program=$(realpath "$1")
version=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/varn-cli.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
ulimit -c 0 # the toolkit aborts on a platform it cannot load; no core is wanted

failures=0
fail()
{
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# run ENV... -- ARGS...: runs the program with a clean locale and no display (a display
# started by mistake fails loudly: the X11 platform finds no server), keeping its exit code,
# standard output and standard error.
run()
{
    local environment=()
    while [ "$1" != -- ]; do
        environment+=("$1")
        shift
    done
    shift
    env -u DISPLAY -u WAYLAND_DISPLAY -u LC_ALL -u LC_MESSAGES -u LANG -u LANGUAGE \
        QT_QPA_PLATFORM=xcb "${environment[@]}" "$program" "$@" >"$work/out" 2>"$work/err"
    status=$?
    out=$(cat "$work/out")
    err=$(cat "$work/err")
}

# expect WHAT STATUS OUT-PATTERN ERR-PATTERN: the last run's exit code and both streams (glob
# patterns; "" for an empty stream).
expect()
{
    local what=$1
    [ "$status" -eq "$2" ] || fail "$what: exit code $status, expected $2"
    # shellcheck disable=SC2053 # globs on purpose
    [[ $out == $3 ]] || fail "$what: standard output was [$out], expected [$3]"
    # shellcheck disable=SC2053
    [[ $err == $4 ]] || fail "$what: standard error was [$err], expected [$4]"
}

run LANG=C -- --help
expect "--help in English" 0 "Usage: varn *--version*HASHBROJ.TXT*" ""
run LANG=hr_HR.UTF-8 -- --help
expect "--help in Croatian" 0 "Uporaba: varn *prikaži ovu pomoć*HASHBROJ.TXT*" ""
run LANG=hr_HR.UTF-8 LC_ALL=C -- -h
expect "LC_ALL before LANG" 0 "Usage: varn *" ""

# The files named are the ones this program uses.
run VARN_WIN_INI="$work/settings/win.ini" -- --help
expect "--help names the files" 0 "*${program%/*}/varn.ENV*$work/settings/win.ini*" ""

run LANG=C -- --version
expect "--version in English" 0 "varn $version"$'\n'"hashing library: libpelnix *" ""
run LANG=hr_HR.UTF-8 -- --version
expect "--version in Croatian" 0 "varn $version"$'\n'"biblioteka za sažetke: libpelnix *" ""

run LANG=C -- --bogus
expect "an unknown option" 2 "" "varn: unknown option '--bogus'"$'\n'"Usage: varn *"
run LC_MESSAGES=hr_HR.UTF-8 -- --bogus
expect "an unknown option in Croatian" 2 "" "varn: nepoznata opcija '--bogus'"$'\n'"Uporaba: *"
run LANG=C -- -platform
expect "a toolkit option without its value" 2 "" "varn: option '-platform' needs a value*"
run LANG=C -- notes.txt
expect "an operand" 2 "" "varn: unexpected argument 'notes.txt'*"

# The toolkit's options are not refused...
run LANG=C -- -platform offscreen -style=fusion -reverse --version
expect "toolkit options before --version" 0 "varn $version*" ""
# ...and reach the toolkit: named on the command line, a platform plugin that does not exist
# stops it at once, naming that plugin (the X11 platform the environment names would stop it
# too, but for want of a server).
run LANG=C -- -platform varn-no-such-platform
[ "$status" -ne 0 ] || fail "-platform did not reach the toolkit: the program started"
[[ $err == *'"varn-no-such-platform"'* ]] \
    || fail "-platform did not reach the toolkit: standard error was [$err]"

[ "$failures" -eq 0 ] || exit 1
echo "command line: all checks passed"
