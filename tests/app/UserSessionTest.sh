#!/usr/bin/env bash
# varn as a user sees it: started with nothing on its command line on an X server of its own
# (Xvfb) and driven with real X key events. The frame shows; Alt+U opens the About window and
# Enter closes it again; Alt+F, then X ends the program with exit code 0.
#
#   tests/app/UserSessionTest.sh PROGRAM
#
# There is no window manager, so the test gives the focus where one would: to a window when it
# opens, and back to the frame when it closes.
set -uo pipefail

# shellcheck disable=SC2034 # xs_name and xs_step are read by x-session.sh
xs_name=$(basename "$0")
# shellcheck source=tools/x-session.sh
source "$(dirname "$0")/../../tools/x-session.sh"
trap xs_stop EXIT

[ $# -eq 1 ] || { echo "usage: $0 PROGRAM" >&2; exit 2; }
program=$(realpath "$1")
xs_skip_without Xvfb xdotool xev xprop xwininfo

xs_step="start"
xs_start_server || exit 1
cd "$xs_dir" || exit 1 # what the program writes into its current directory stays in the session
xs_start_program "$program"

xs_step="the frame shows"
frame=$(xs_wait_window 60 "Testiranje SHA-1 algoritma") || exit 1
xs_focus 20 "$frame" || exit 1

xs_step="Alt+U opens \"O programu\""
xs_key alt+u
about=$(xs_wait_window 30 "O programu") || exit 1
[ "$about" != "$frame" ] || xs_fail "it is the frame itself" || exit 1

xs_step="Enter closes \"O programu\""
xs_focus 20 "$about" || exit 1
xs_watch "$about" || exit 1
xs_key Return
xs_wait_event 30 "the window's unmapping" "UnmapNotify*" "DestroyNotify*" || exit 1
xwininfo -id "$frame" 2>/dev/null | grep -q 'Map State: IsViewable' \
    || xs_fail "the frame went with it" || exit 1

xs_step="Alt+F drops the File menu down"
xs_focus 20 "$frame" || exit 1
xs_watch root || exit 1
xs_key alt+f
xs_wait_event 30 "a menu's mapping" "MapNotify*override YES*" || exit 1

xs_step="X (X. Izlaz) ends the program"
xs_key x
xs_wait_exit 60 || exit 1
[ "$xs_exit_code" -eq 0 ] || xs_fail "exit code $xs_exit_code, not 0" || exit 1
echo "$xs_name: the frame showed, \"O programu\" opened and closed, varn ended with exit code 0"
