#!/usr/bin/env bash
# A big file hashed while the user does something else: varn on an X server of its own (Xvfb),
# driven with real X key events. A hash window opens (Alt+F, T); the path of a sparse file of
# 8 GiB is typed into "Ulazna datoteka (file)" (six Tabs from the text box) and the lower
# "Formiraj SHA-1 broj" pressed (Shift+Tab, Enter). While it hashes, Alt+U opens "O programu"
# from the frame's menu and Enter closes it; the file's number then reaches HASHBROJ.TXT, and
# Alt+F, X ends the program with exit code 0.
#
#   tests/app/HashAboutSessionTest.sh PROGRAM
set -uo pipefail

# shellcheck disable=SC2034 # xs_name and xs_step are read by x-session.sh
xs_name=$(basename "$0")
# shellcheck source=tools/x-session.sh
source "$(dirname "$0")/../../tools/x-session.sh"
trap xs_stop EXIT

[ $# -eq 1 ] || { echo "usage: $0 PROGRAM" >&2; exit 2; }
program=$(realpath "$1")
xs_skip_without Xvfb xdotool xev xprop xwininfo import openssl

xs_step="start"
xs_start_server || exit 1
cd "$xs_dir" || exit 1 # the program's working directory: HASHBROJ.TXT lands here
# Sparse: it takes no room, and hashing it lasts the few seconds the steps below need.
big="$xs_dir/velika.bin"
truncate -s 8G "$big" || exit 1
expected=$(openssl dgst -sha1 -r "$big" | cut -d' ' -f1 | tr a-f A-F)
xs_start_program "$program"

xs_step="the frame shows"
frame=$(xs_wait_window 60 "Testiranje SHA-1 algoritma") || exit 1
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

xs_step="the big file's path typed, the file button pressed"
xs_key Tab Tab Tab Tab Tab Tab ctrl+a
xdotool type --delay 5 "$big"
xs_key shift+Tab Return

xs_step="Alt+U opens \"O programu\" while it hashes"
xs_focus 20 "$frame" || exit 1
xs_key alt+u
about=$(xs_wait_window 30 "O programu") || exit 1
[ -z "$(cat "$xs_dir/HASHBROJ.TXT")" ] || xs_fail "the hash ended before the About window showed" \
    || exit 1

xs_step="Enter closes \"O programu\""
xs_focus 20 "$about" || exit 1
xs_watch "$about" || exit 1
xs_key Return
xs_wait_event 30 "the window's unmapping" "UnmapNotify*" "DestroyNotify*" || exit 1

xs_step="the big file's number arrives"
xs_wait_file 300 "$xs_dir/HASHBROJ.TXT" "$expected"$'\r' || exit 1

xs_step="Alt+F, X ends the program"
xs_focus 20 "$frame" || exit 1
xs_watch root || exit 1
xs_key alt+f
xs_wait_event 30 "the File menu's dropping down" "MapNotify*override YES*" || exit 1
xs_key x
xs_wait_exit 60 || exit 1
[ "$xs_exit_code" -eq 0 ] || xs_fail "exit code $xs_exit_code, not 0" || exit 1
echo "$xs_name: \"O programu\" opened and closed while a file of 8 GiB hashed; its number reached HASHBROJ.TXT; varn ended with exit code 0"
