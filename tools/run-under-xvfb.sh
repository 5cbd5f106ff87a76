#!/usr/bin/env bash
# Shows varn working where there is no display: starts it on a virtual X server (Xvfb), waits for
# its frame, saves a screenshot, ends it through its own menu (Alt+F, then X) and exits with its
# exit code.
#
#   tools/run-under-xvfb.sh [--about] PROGRAM SCREENSHOT
#
# With --about the screenshot shows the About window ("O programu", Alt+U) in front of the
# frame, both whole (docs/frame-about.png is taken so).
set -uo pipefail

# shellcheck disable=SC2034 # read by x-session.sh
xs_name=$(basename "$0")
# shellcheck source=tools/x-session.sh
source "$(dirname "$0")/x-session.sh"
trap xs_stop EXIT

with_about=false
if [ "${1:-}" = "--about" ]; then
    with_about=true
    shift
fi
if [ $# -ne 2 ]; then
    echo "usage: $0 [--about] PROGRAM SCREENSHOT" >&2
    exit 2
fi
program=$1
screenshot=$(realpath -m "$2")

xs_start_server || exit 1
xs_start_program "$program"
frame=$(xs_wait_window 60 "Testiranje SHA-1 algoritma") || exit 1
xs_focus 10 "$frame" || exit 1

if $with_about; then
    # No window manager places the windows: both open at the screen's top left corner. The frame
    # is made larger and the About window moved into its middle.
    xdotool windowsize --sync "$frame" 760 520
    xs_key alt+u
    about=$(xs_wait_window 20 "O programu") || exit 1
    read -r width height _ < <(xs_geometry "$about" | sed 's/[x+]/ /g')
    xdotool windowmove --sync "$about" $(((760 - width) / 2)) $(((520 - height) / 2 + 20))
    xs_wait_painted 20 "$about" || exit 1
    xs_wait_settled 20 760x520+0+0 || exit 1
    import -window root -crop 760x520+0+0 +repage "$screenshot" || exit 1
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
