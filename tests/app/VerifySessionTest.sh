#!/usr/bin/env bash
# A file's control number checked as a user checks it: varn started in a directory holding
# abc.txt ("abc") on an X server of its own (Xvfb), driven with real X key events and clicks.
# Alt+F, then P opens "Provjera kontrolnog broja" with the keyboard in the expected number's box.
# The number of "abc", spelled loosely (lower case, dashes), is typed into "Ulazni niz znakova",
# selected and cut (Ctrl+A, Ctrl+X), and pasted (Ctrl+V) into the expected number's box; "..."
# opens the file dialog, whose name field takes abc.txt's path and Enter; the file's "Provjeri"
# answers in green, with no marker. One digit of the expected number changed, the same button
# answers in red, the marker under the fourth group. A second verify window (Alt+F, P) finds the
# number still on the clipboard and takes it as the expected one: its file's "Provjeri" answers
# in green. No window writes HASHBROJ.TXT; Alt+F, then X ends the program with exit code 0.
#
#   tests/app/VerifySessionTest.sh PROGRAM
#
# With VARN_SHOTS_DIR set, both answers are saved there, cropped to the verify window, as
# verify-match.png and verify-mismatch.png (the README's docs/ images are taken so).
set -uo pipefail

# shellcheck disable=SC2034 # xs_name and xs_step are read by x-session.sh
xs_name=$(basename "$0")
# shellcheck source=tools/x-session.sh
source "$(dirname "$0")/../../tools/x-session.sh"
trap xs_stop EXIT

[ $# -eq 1 ] || { echo "usage: $0 PROGRAM" >&2; exit 2; }
program=$(realpath "$1")
shots=${VARN_SHOTS_DIR:+$(realpath -m "$VARN_SHOTS_DIR")}
xs_skip_without Xvfb xdotool xev xprop import identify

# Where the verify window lies on the screen, the frame at the screen's top left corner (no
# window manager moves it) and its MDI child at the area's top left: the points below are the
# program's own layout at its declared size.
area=543x382+0+19               # the verify window, title bar and frame included
expected_box=(360 88)           # inside "Očekivani kontrolni broj", right of any text in it
answer_stroke=(42 283)          # the stem of the answer's "K": its colour is the answer's
marker_point=(356 343)          # a stroke of the marker under the fourth group
file_button=(456 222)           # the file's "Provjeri"
file_entry=300x10+12+218        # inside "Ulazna datoteka (file)", where a path shows
match='#007A00'                 # the answer's dark green
mismatch='#C00000'              # its dark red, and the marker's
background='#EFEFEF'            # the window's grey
expected_caret=(13 80)          # the caret at the start of the empty expected number's box
# A second verify window opens to the right of the first, 543 pixels on: the frame is made wide
# enough to show both, on a screen wider than the usual one.
frame_size=(1100 520)
export XS_SCREEN=1280x800x24
second_area=543x382+543+19
second_box=(903 100)            # inside its expected number's box, below any text in it
second_answer_stroke=(585 283)
second_file_button=(999 222)

# shot NAME: the verify window as it shows now, when screenshots are asked for.
shot()
{
    [ -n "$shots" ] || return 0
    if ! mkdir -p "$shots" || ! import -window root -crop "$area" +repage -strip \
        -define png:compression-level=9 "$shots/$1"; then
        xs_fail "the screenshot $shots/$1 was not saved"
    fi
}

# click X Y: a click there, as the frame has the keyboard.
click()
{
    xs_focus 20 "$frame" || return 1
    xdotool mousemove --sync "$1" "$2" click 1
}

xs_step="start"
xs_start_server || exit 1
cd "$xs_dir" || exit 1 # the program's working directory: a HASHBROJ.TXT would land here
printf 'abc' >abc.txt
xs_start_program "$program"

xs_step="the frame shows"
frame=$(xs_wait_window 60 "Testiranje SHA-1 algoritma") || exit 1
xdotool windowsize --sync "$frame" "${frame_size[@]}"
xs_focus 20 "$frame" || exit 1

xs_step="Alt+F, P opens the verify window"
xs_watch root || exit 1
xs_key alt+f
xs_wait_event 30 "the File menu's dropping down" "MapNotify*override YES*" || exit 1
xs_key p
xs_wait_colour 30 "${expected_box[@]}" '#FFFFFF' || exit 1 # the expected number's box shows
xs_wait_settled 30 "$area" || exit 1
xs_wait_colour 30 "${expected_caret[@]}" '#000000' || exit 1 # the box has the keyboard

xs_step="the number typed into \"Ulazni niz znakova\" is cut and pasted as the expected one"
# Tab from the expected number's box passes "Iz datoteke HASHBROJ.TXT" on to the text box.
xs_key Tab Tab
xdotool type --delay 10 "a9993e3647-06816aba3e-25717850c2-6c9cd0d89d"
xs_key ctrl+a ctrl+x shift+Tab shift+Tab ctrl+v

xs_step="\"...\" and the file dialog choose abc.txt"
# On from the expected number's box: the button, the text box, its "Provjeri", the file entry,
# "...".
xs_key Tab Tab Tab Tab Tab space
dialog=$(xs_wait_window 30 "Popis datoteka") || exit 1
xs_focus 20 "$dialog" || exit 1
xs_wait_painted 30 "$dialog" || exit 1
xs_watch "$dialog" || exit 1
xdotool type --delay 10 "$xs_dir/abc.txt"
xs_key Return
xs_wait_event 30 "the file dialog's closing" "UnmapNotify*" "DestroyNotify*" || exit 1
xs_wait_drawn 30 "$file_entry" || exit 1 # the chosen path shows
xs_wait_settled 30 "$area" || exit 1

xs_step="the file's \"Provjeri\" answers that the numbers match"
click "${file_button[@]}" || exit 1
xs_wait_colour 30 "${answer_stroke[@]}" "$match" || exit 1
xs_wait_settled 30 "$area" || exit 1
xs_wait_colour 1 "${marker_point[@]}" "$background" || exit 1 # no marker
shot verify-match.png || exit 1

xs_step="one digit changed, the same button answers that they differ"
click "${expected_box[@]}" || exit 1
xs_key ctrl+End BackSpace e
click "${file_button[@]}" || exit 1
xs_wait_colour 30 "${answer_stroke[@]}" "$mismatch" || exit 1
xs_wait_settled 30 "$area" || exit 1
xs_wait_colour 1 "${marker_point[@]}" "$mismatch" || exit 1 # under the fourth group
shot verify-mismatch.png || exit 1

xs_step="a second verify window takes the number on the clipboard as the expected one"
# The file chosen is the program's own, so its entry shows abc.txt already.
xs_focus 20 "$frame" || exit 1
xs_watch root || exit 1
xs_key alt+f
xs_wait_event 30 "the File menu's dropping down" "MapNotify*override YES*" || exit 1
xs_key p
xs_wait_colour 30 "${second_box[@]}" '#FFFFFF' || exit 1
xs_wait_settled 30 "$second_area" || exit 1
click "${second_file_button[@]}" || exit 1
xs_wait_colour 30 "${second_answer_stroke[@]}" "$match" || exit 1

xs_step="nothing was written"
[ ! -e "$xs_dir/HASHBROJ.TXT" ] || xs_fail "HASHBROJ.TXT was written" || exit 1

xs_step="Alt+F, X ends the program"
xs_focus 20 "$frame" || exit 1
xs_watch root || exit 1
xs_key alt+f
xs_wait_event 30 "the File menu's dropping down" "MapNotify*override YES*" || exit 1
xs_key x
xs_wait_exit 60 || exit 1
[ "$xs_exit_code" -eq 0 ] || xs_fail "exit code $xs_exit_code, not 0" || exit 1
[ ! -e "$xs_dir/HASHBROJ.TXT" ] || xs_fail "HASHBROJ.TXT was written" || exit 1
echo "$xs_name: abc.txt's number checked in the verify window: a match, then with one digit changed a mismatch marked in the fourth group; a second window took the number from the clipboard and matched; nothing written; varn ended with exit code 0"
