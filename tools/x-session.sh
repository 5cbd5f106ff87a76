# shellcheck shell=bash
# Shell functions (bash, sourced) that run varn on a virtual X server of its own and drive it with
# real X input, as a user at the keyboard would: Xvfb, xdotool, xev/xprop/xwininfo and
# ImageMagick's import. Used by tools/run-under-xvfb.sh and by the program's X session test.
#
# Every wait is a wait on a condition (a window mapped or unmapped, the program's exit) and has a
# limit in seconds; when the limit passes, the function says which step did not happen and
# returns 1. There is no window manager: nothing gives a new window the focus, places it or
# decorates it, so the caller gives the focus itself (xs_focus) where a window manager would.
#
#   xs_start_server                  Xvfb on a free display; exports DISPLAY. Its screen is
#                                    1024x768x24 unless XS_SCREEN names another (2048x1536x24)
#   xs_start_program PROGRAM...      starts it on that display (QT_QPA_PLATFORM=xcb)
#   xs_wait_window SECS TITLE        prints the id of the visible top-level window TITLE
#   xs_focus SECS ID                 gives ID the keyboard focus
#   xs_key KEY...                    presses and releases each key (xdotool names: alt+f, Return)
#   xs_watch ID|root                 starts watching a window's X events
#   xs_wait_event SECS WHAT PATTERN... waits for a watched event (a menu mapped, a window gone)
#   xs_wait_painted SECS ID          waits until ID shows more than its background
#   xs_wait_settled SECS GEOMETRY    waits until that part of the screen stops changing
#   xs_wait_drawn SECS GEOMETRY      waits until that part of the screen shows more than one
#                                    colour (text drawn into a box that was empty)
#   xs_wait_file SECS PATH TEXT      waits until the file PATH holds exactly TEXT
#   xs_wait_colour SECS X Y COLOUR   waits until the screen's pixel X,Y shows COLOUR (#RRGGBB)
#   xs_wait_exit SECS                waits for the program's end; its exit code in xs_exit_code
#   xs_skip_without TOOL...          a test's first step: skips it (exit 77) when a tool is missing
#
# xs_stop (run on EXIT) kills what is still running and removes the session's directory.

xs_name=${xs_name:-x-session}
xs_step=
xs_dir=
xs_server=
xs_program=
xs_exit_fd=
# shellcheck disable=SC2034 # read by the caller
xs_exit_code=''
XS_WATCH_PID=

# xs_fail MESSAGE: says what did not happen (in the step xs_step names, when set) and whether the
# program is still running; returns 1.
xs_fail()
{
    local state='' code
    if [ -n "$xs_program" ] && ! kill -0 "$xs_program" 2>/dev/null; then
        state=" (varn had ended"
        read -r -t 5 -u "$xs_exit_fd" code && state+=" with exit code $code"
        state+=")"
        xs_program=
    fi
    echo "$xs_name: ${xs_step:+$xs_step: }$*$state" >&2
    return 1
}

# A machine without the X tools (a packager's build, a minimal CI image) cannot run a session: a
# test needing them is skipped, not failed. 77 is the code the test's SKIP_RETURN_CODE names; the
# message says what is missing and which Debian package brings it.
xs_skip_without()
{
    local tool missing=()
    for tool in "$@"; do
        command -v "$tool" >/dev/null 2>&1 && continue
        case $tool in
        Xvfb) missing+=("Xvfb (xvfb)") ;;
        xev | xprop | xwininfo) missing+=("$tool (x11-utils)") ;;
        import | identify) missing+=("$tool (imagemagick)") ;;
        *) missing+=("$tool ($tool)") ;;
        esac
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local IFS=,
    echo "$xs_name: skipped: needs an X session's tools, and these are not installed:${missing[*]/#/ }"
    exit 77
}

xs_stop()
{
    [ -n "$XS_WATCH_PID" ] && kill "$XS_WATCH_PID" 2>/dev/null
    if [ -n "$xs_program" ] && kill -0 "$xs_program" 2>/dev/null; then
        kill -KILL "$xs_program" 2>/dev/null
    fi
    if [ -n "$xs_server" ]; then
        kill "$xs_server" 2>/dev/null
        wait "$xs_server" 2>/dev/null
    fi
    [ -n "$xs_dir" ] && rm -rf "$xs_dir"
    return 0
}

# The server picks a display number that no other server holds (-displayfd) and writes it to the
# pipe once it accepts connections, so parallel sessions never collide and nothing waits blindly.
xs_start_server()
{
    xs_dir=$(mktemp -d "${TMPDIR:-/tmp}/varn-x.XXXXXX") || return 1
    mkdir -m 700 "$xs_dir/runtime"
    mkfifo "$xs_dir/display"
    Xvfb -displayfd 3 -screen 0 "${XS_SCREEN:-1024x768x24}" -nolisten tcp 3>"$xs_dir/display" \
        >"$xs_dir/xvfb.log" 2>&1 &
    xs_server=$!
    local number
    if ! read -r -t 20 number <"$xs_dir/display" || [ -z "$number" ]; then
        cat "$xs_dir/xvfb.log" >&2
        xs_fail "the X server (Xvfb) did not start"
        return 1
    fi
    export DISPLAY=:$number
    export XDG_RUNTIME_DIR=$xs_dir/runtime
    unset WAYLAND_DISPLAY
    # The session has no message bus of its own. Named as absent, the bus is not looked for
    # further: otherwise D-Bus would try to start one for the display through dbus-launch (and,
    # where that is not installed, leave that attempt's read buffer unfreed, which
    # LeakSanitizer reports), and a bus so started would outlive the session.
    export DBUS_SESSION_BUS_ADDRESS=unix:path=$xs_dir/no-session-bus
}

# The program runs in a subshell that prints its process id, waits for it and prints its exit
# code; reading that second line (xs_wait_exit) is the wait for the program's end.
xs_start_program()
{
    local out
    exec {out}>&1
    exec {xs_exit_fd}< <(
        QT_QPA_PLATFORM=xcb "$@" >&"$out" &
        echo $!
        wait $!
        echo $?
    )
    exec {out}>&-
    read -r -u "$xs_exit_fd" xs_program
}

xs_wait_window()
{
    local limit=$1 title=$2 id
    id=$(timeout "$limit" xdotool search --sync --onlyvisible --name "^$title\$" | head -n 1)
    [ -n "$id" ] || xs_fail "no window \"$title\" was mapped within ${limit}s" || return 1
    echo "$id"
}

xs_focus()
{
    timeout "$1" xdotool windowfocus --sync "$2" \
        || xs_fail "window $2 did not get the keyboard focus within $1s"
}

xs_key()
{
    xdotool key "$@"
}

# xev reports a window's structure changes (for the root window: its top-level windows'). It is
# listening once it reports a change of a property that is set after it started; until then the
# property is set again, ten times a second, for at most ten seconds. From then on no change can
# slip past it. ID is a window id or "root".
xs_watch()
{
    local id=$1 line attempt
    local window=(-id "$id")
    [ "$id" = root ] && window=(-root)
    coproc XS_WATCH { exec xev "${window[@]}" -event substructure -event structure -event property 2>&1; }
    for attempt in $(seq 100); do
        xprop "${window[@]}" -f _VARN_WATCH 8s -set _VARN_WATCH "$attempt" \
            || xs_fail "cannot watch window $id" || return 1
        while read -r -t 0.1 line <&"${XS_WATCH[0]}"; do
            case $line in *"(_VARN_WATCH)"*) return 0 ;; esac
        done
    done
    xs_fail "cannot watch window $id"
}

# xs_wait_event SECS WHAT PATTERN...: waits until the watched window reports an event that
# matches one of the glob PATTERNs (matched against the event's lines so far, joined by
# spaces), then stops watching. WHAT names the step in the message when it does not happen.
xs_wait_event()
{
    local limit=$1 what=$2 line event='' deadline=$((SECONDS + $1)) seen=1 pattern
    shift 2
    while [ "$seen" -ne 0 ] && [ "$SECONDS" -lt "$deadline" ] \
        && read -r -t $((deadline - SECONDS)) line <&"${XS_WATCH[0]}"; do
        if [ -z "$line" ]; then
            event=
            continue
        fi
        event="${event:+$event }$line"
        for pattern in "$@"; do
            # shellcheck disable=SC2053 # a glob on purpose
            [[ $event == $pattern ]] && seen=0
        done
    done
    kill "$XS_WATCH_PID" 2>/dev/null
    wait "$XS_WATCH_PID" 2>/dev/null
    XS_WATCH_PID=
    [ "$seen" -eq 0 ] || xs_fail "$what did not happen within ${limit}s"
}

# Mapped is not yet painted: the window shows its background until the program has drawn it.
xs_wait_painted()
{
    local limit=$1 id=$2 deadline=$((SECONDS + $1)) colours
    while [ "$SECONDS" -lt "$deadline" ]; do
        colours=$(import -window "$id" png:- 2>/dev/null | identify -format '%k' - 2>/dev/null)
        [ "${colours:-0}" -gt 1 ] && return 0
    done
    xs_fail "window $id was not painted within ${limit}s"
}

xs_geometry()
{
    xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
        /Width:/ { w = $NF } /Height:/ { h = $NF } END { printf "%dx%d+%d+%d\n", w, h, x, y }'
}

xs_wait_settled()
{
    local limit=$1 geometry=$2 deadline=$((SECONDS + $1)) previous='' current
    while [ "$SECONDS" -lt "$deadline" ]; do
        current=$(import -window root -crop "$geometry" rgb:- 2>/dev/null | md5sum)
        [ "$current" = "$previous" ] && return 0
        previous=$current
    done
    xs_fail "the screen did not settle within ${limit}s"
}

# A box the program fills (an entry showing a chosen file's path) sends no event: its part of the
# screen is looked at until it shows more than its background.
xs_wait_drawn()
{
    local limit=$1 geometry=$2 deadline=$((SECONDS + $1)) colours
    while [ "$SECONDS" -lt "$deadline" ]; do
        colours=$(import -window root -crop "$geometry" png:- 2>/dev/null \
            | identify -format '%k' - 2>/dev/null)
        [ "${colours:-0}" -gt 1 ] && return 0
    done
    xs_fail "nothing was drawn at $geometry within ${limit}s"
}

# A file the program writes is looked at until it holds what is expected: there is no event to
# wait on, and reading it costs little.
xs_wait_file()
{
    local limit=$1 path=$2 text=$3 deadline=$((SECONDS + $1))
    while [ "$SECONDS" -lt "$deadline" ]; do
        [ -f "$path" ] && [ "$(cat "$path")" = "$text" ] && return 0
        sleep 0.1
    done
    xs_fail "$path did not come to hold \"$text\" within ${limit}s (it holds \"$(cat "$path" 2>/dev/null)\")"
}

# A window that maps inside another (an MDI child) sends no event of its own: it is seen on the
# screen, at a point only it covers.
xs_wait_colour()
{
    local limit=$1 x=$2 y=$3 colour=$4 deadline=$((SECONDS + $1)) seen=''
    while [ "$SECONDS" -lt "$deadline" ]; do
        seen=$(import -window root -crop "1x1+$x+$y" -depth 8 txt:- 2>/dev/null \
            | grep -o '#[0-9A-Fa-f]\{6\}' | head -n 1)
        [ "${seen^^}" = "${colour^^}" ] && return 0
    done
    xs_fail "the screen did not show $colour at $x,$y within ${limit}s (it shows ${seen:-nothing})"
}

xs_wait_exit()
{
    local limit=$1
    # shellcheck disable=SC2034 # read by the caller
    if ! read -r -t "$limit" -u "$xs_exit_fd" xs_exit_code; then
        kill -KILL "$xs_program" 2>/dev/null
        xs_fail "the program did not end within ${limit}s; killed"
        return 1
    fi
    xs_program=
}
