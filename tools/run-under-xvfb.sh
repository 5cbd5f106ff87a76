#!/usr/bin/env bash
# Shows varn working where there is no display: starts it on a virtual X server (Xvfb), waits for
# its frame, saves a screenshot, ends it through its own menu (Alt+F, then X) and exits with its
# exit code.
#
#   tools/run-under-xvfb.sh [--about | --hash] PROGRAM SCREENSHOT
#
# With --about the screenshot shows the About window ("O programu", Alt+U) in front of the
# frame, both whole (docs/frame-about.png is taken so). With --hash it shows a hash window
# (Alt+F, T) after the number of a typed text was formed (Tab, Enter) and written to
# HASHBROJ.TXT in a working directory of the session's own (docs/hash-window.png is taken so).
#
# With QT_SCALE_FACTOR set (2 for a high-resolution screen) the frame is made as large in the
# program's own pixels as at scale 1, so the screenshot shows the same scene scaled; the X
# screen grows to match unless XS_SCREEN names one (docs/hash-window-scale2.png is taken with
# QT_SCALE_FACTOR=2 and --hash).
set -uo pipefail

# shellcheck disable=SC2034 # read by x-session.sh
xs_name=$(basename "$0")
# shellcheck source=tools/x-session.sh
source "$(dirname "$0")/x-session.sh"
trap xs_stop EXIT

mode=frame
case "${1:-}" in
--about | --hash)
    mode=${1#--}
    shift
    ;;
esac
if [ $# -ne 2 ]; then
    echo "usage: $0 [--about | --hash] PROGRAM SCREENSHOT" >&2
    exit 2
fi
program=$(realpath "$1")
screenshot=$(realpath -m "$2")

# scaled N: N of the program's pixels in the X server's.
scale=${QT_SCALE_FACTOR:-1}
scaled()
{
    awk -v n="$1" -v s="$scale" 'BEGIN { printf "%d\n", n * s + 0.5 }'
}
width=$(scaled 760)
height=$(scaled 520)
area=${width}x$height+0+0
export XS_SCREEN=${XS_SCREEN:-$(scaled 1024)x$(scaled 768)x24}

xs_start_server || exit 1
[ "$mode" = hash ] && { cd "$xs_dir" || exit 1; } # HASHBROJ.TXT goes with the session
xs_start_program "$program"
frame=$(xs_wait_window 60 "Testiranje SHA-1 algoritma") || exit 1
xs_focus 10 "$frame" || exit 1

if [ "$mode" = hash ]; then
    text="Čaša vode, šljiva i đak"
    number=$(printf '%s' "$text" | iconv -f UTF-8 -t CP1250 | sha1sum | cut -c1-40 | tr a-f A-F)
    xdotool windowsize --sync "$frame" "$width" "$height"
    xs_watch root || exit 1
    xs_key alt+f
    xs_wait_event 10 "The File menu's dropping down (Alt+F)" "MapNotify*override YES*" || exit 1
    xs_key t
    xs_wait_file 20 "$xs_dir/HASHBROJ.TXT" "" || exit 1
    xs_wait_colour 20 "$(scaled 200)" "$(scaled 110)" '#FFFFFF' || exit 1 # the text box shows
    xs_wait_settled 20 "$area" || exit 1
    xdotool type --delay 20 "$text"
    xs_key Tab Return
    xs_wait_file 20 "$xs_dir/HASHBROJ.TXT" "$number"$'\r' || exit 1
    xs_wait_settled 20 "$area" || exit 1
    import -window root -crop "$area" +repage "$screenshot" || exit 1
elif [ "$mode" = about ]; then
    # No window manager places the windows: both open at the screen's top left corner. The frame
    # is made larger and the About window moved into its middle.
    xdotool windowsize --sync "$frame" "$width" "$height"
    xs_key alt+u
    about=$(xs_wait_window 20 "O programu") || exit 1
    read -r about_width about_height _ < <(xs_geometry "$about" | sed 's/[x+]/ /g')
    xdotool windowmove --sync "$about" $(((width - about_width) / 2)) \
        $(((height - about_height) / 2 + $(scaled 20)))
    xs_wait_painted 20 "$about" || exit 1
    xs_wait_settled 20 "$area" || exit 1
    import -window root -crop "$area" +repage "$screenshot" || exit 1
    xs_focus 10 "$frame" || exit 1
else
    xs_wait_painted 20 "$frame" || exit 1
    import -window "$frame" "$screenshot" || exit 1
fi
echo "varn's frame: $screenshot"

xs_watch root || exit 1
xs_key alt+f
xs_wait_event 10 "The File menu's dropping down (Alt+F)" "MapNotify*override YES*" || exit 1
xs_key x
xs_wait_exit 20 || exit 1
exit "$xs_exit_code"
