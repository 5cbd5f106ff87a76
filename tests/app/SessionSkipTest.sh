#!/usr/bin/env bash
# The X session tests on a machine without the X tools: each is skipped (exit code 77, CTest's
# skip code) and names what is missing, whichever of its tools is absent; with every tool there it
# is not skipped. The tools are stand-ins that fail at once, on a PATH holding nothing else but
# the few commands the scripts use before they start a server, so the machine's own tools (or
# their absence) do not matter.
#
#   tests/app/SessionSkipTest.sh
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# script | the X tools it needs
cases=(
    "UserSessionTest.sh|Xvfb xdotool xev xprop xwininfo"
    "HashSessionTest.sh|Xvfb xdotool xev xprop import"
    "HashAboutSessionTest.sh|Xvfb xdotool xev xprop xwininfo import openssl"
    "VerifySessionTest.sh|Xvfb xdotool xev xprop import identify"
)
base_commands=(basename dirname realpath mktemp mkdir mkfifo rm cat)

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# tools_on_path DIR TOOL...: DIR as a PATH with the base commands and a failing stand-in for
# each TOOL.
tools_on_path() {
    local dir=$1 command
    shift
    rm -rf "$dir"
    mkdir -p "$dir"
    for command in "${base_commands[@]}"; do
        ln -s "$(command -v "$command")" "$dir/$command"
    done
    for command in "$@"; do
        printf '#!/bin/sh\nexit 1\n' >"$dir/$command"
        chmod +x "$dir/$command"
    done
}

# run SCRIPT PATH: runs the session script on PATH; sets status and output.
run() {
    output=$(PATH=$2 TMPDIR=$scratch "$BASH" "$here/$1" "$BASH" 2>&1)
    status=$?
}

for entry in "${cases[@]}"; do
    script=${entry%%|*}
    read -r -a tools <<<"${entry#*|}"

    # None of the tools: skipped, each named.
    tools_on_path "$scratch/path"
    run "$script" "$scratch/path"
    [ "$status" -eq 77 ] || fail "$script with no X tools: exit code $status, not 77: $output"
    for tool in "${tools[@]}"; do
        [[ $output == *"skipped"*" $tool ("* ]] \
            || fail "$script with no X tools: $tool is not named: $output"
    done

    # One tool missing: skipped, that one named and no other.
    for missing in "${tools[@]}"; do
        present=()
        for tool in "${tools[@]}"; do
            [ "$tool" = "$missing" ] || present+=("$tool")
        done
        tools_on_path "$scratch/path" "${present[@]}"
        run "$script" "$scratch/path"
        [ "$status" -eq 77 ] || fail "$script without $missing: exit code $status, not 77: $output"
        [[ $output == *" $missing ("* ]] || fail "$script without $missing: not named: $output"
        for tool in "${present[@]}"; do
            [[ $output != *" $tool ("* ]] \
                || fail "$script without $missing: $tool, which is there, named: $output"
        done
    done

    # Every tool there: the session runs (and fails, its X server being a stand-in), not skipped.
    tools_on_path "$scratch/path" "${tools[@]}"
    run "$script" "$scratch/path"
    if [ "$status" -eq 77 ] || [ "$status" -eq 0 ]; then
        fail "$script with every tool: exit code $status, expected a failure other than 77: $output"
    fi
done

[ "$failures" -eq 0 ] || exit 1
echo "SessionSkipTest.sh: the session tests skip without their X tools and run with them"
