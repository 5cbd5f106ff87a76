#!/usr/bin/env bash
# The control number of a typed text, as a user forms it: varn started with nothing on its
# command line on an X server of its own (Xvfb), driven with real X key events. Alt+F, then T
# opens a hash window (which makes HASHBROJ.TXT in the program's working directory); once it
# shows, "abc" is typed into its text box, Tab goes on to "Formiraj SHA-1 broj" and Enter presses it; the
# file then holds the number; Alt+F, then X ends the program with exit code 0.
#
#   tests/app/HashSessionTest.sh PROGRAM
set -uo pipefail

# shellcheck disable=SC2034 # xs_name and xs_step are read by x-session.sh
xs_name=$(basename "$0")
# shellcheck source=tools/x-session.sh
source "$(dirname "$0")/../../tools/x-session.sh"
trap xs_stop EXIT

[ $# -eq 1 ] || { echo "usage: $0 PROGRAM" >&2; exit 2; }
program=$(realpath "$1")
xs_skip_without Xvfb xdotool xev xprop import

xs_step="start"
xs_start_server || exit 1
cd "$xs_dir" || exit 1 # the program's working directory: HASHBROJ.TXT lands here
xs_start_program "$program"

xs_step="the frame shows"
frame=$(xs_wait_window 60 "Testiranje SHA-1 algoritma") || exit 1
# The frame opens at its declared size, smaller than a hash window; a user makes it larger.
xdotool windowsize --sync "$frame" 760 520
xs_focus 20 "$frame" || exit 1

xs_step="Alt+F, T opens a hash window"
xs_watch root || exit 1
xs_key alt+f
xs_wait_event 30 "the File menu's dropping down" "MapNotify*override YES*" || exit 1
xs_key t
xs_wait_file 30 "$xs_dir/HASHBROJ.TXT" "" || exit 1 # made as the window opens
xs_wait_colour 30 200 110 '#FFFFFF' || exit 1      # its text box shows, white on the grey
xs_wait_settled 30 760x520+0+0 || exit 1          # and all of it, the caret in the text box

xs_step="abc, Tab, Enter forms the number of \"abc\""
xs_key a b c Tab Return
xs_wait_file 30 "$xs_dir/HASHBROJ.TXT" $'A9993E364706816ABA3E25717850C26C9CD0D89D\r' || exit 1

xs_step="Alt+F, X ends the program"
xs_watch root || exit 1
xs_key alt+f
xs_wait_event 30 "the File menu's dropping down" "MapNotify*override YES*" || exit 1
xs_key x
xs_wait_exit 60 || exit 1
[ "$xs_exit_code" -eq 0 ] || xs_fail "exit code $xs_exit_code, not 0" || exit 1
echo "$xs_name: a hash window opened, the number of \"abc\" reached HASHBROJ.TXT, varn ended with exit code 0"
