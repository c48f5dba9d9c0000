#!/usr/bin/env bash
# Drive a real Qt program on a real X server with a real window manager, as a user would:
# Xvfb + openbox, keys and clicks with xdotool, the clipboard with xclip, screenshots with import.
# Offscreen widget tests cannot see what only a real X server shows: stray popups, keyboard
# focus after a modal dialog, window activation. Use this for end-to-end checks and for looking.
#
#   apt-get install -y --no-install-recommends xvfb openbox xdotool xclip x11-utils imagemagick
#   . tests/e2e/xdrive.sh
#   xd_server                              # Xvfb on a free display of its own, and openbox
#   trap xd_stop EXIT
#   xd_start build/app/sorrel [ARGS...]    # sets XD_PID (program), XD_WIN (main window)
#   xd_open /path/to/image.bin            # Ctrl+O, type the path into the dialog, Enter
#   xd_click "$XD_WIN" 20 60               # click at client coordinates of a window
#   xd_key Down Down ctrl+c; xd_clip       # keys to the active window; read the clipboard
#   xd_shot /tmp/shot.png                  # screenshot of the whole screen
#   xd_quit                                # ends the program (the X server stays)
#
# Every wait has a time limit and every X tool runs under `timeout`, so nothing here can hang.
#
# Lessons already paid for:
# - `xdotool search` ORs its conditions unless given --all.
# - Under a reparenting window manager `xdotool getwindowgeometry` counts the frame twice;
#   `xwininfo -id W` gives the client area's true origin (used by xd_click).
# - Activate a window (`windowactivate --sync`) before sending it keys.
# - `xclip -i` stays alive to serve the selection: redirect its output, or a pipe never closes.
# - A fixed display number collides with another X server on the same machine: Xvfb picks a free
#   one itself with -displayfd.
# - The program must not inherit QT_QPA_PLATFORM=offscreen from the test environment.

XD_TIMEOUT=${XD_TIMEOUT:-5}         # seconds for one X tool
XD_LOG=${XD_LOG:-/tmp/xdrive-program.log}

xd_tool() { timeout "$XD_TIMEOUT" "$@"; }

# xd_server: Xvfb on a display number of its own, then openbox; sets DISPLAY, XD_XVFB, XD_WM
xd_server() {
  local tool fifo n
  for tool in Xvfb openbox xdotool xclip xwininfo xprop import; do
    command -v "$tool" >/dev/null || { echo "xdrive: $tool is missing" >&2; return 1; }
  done
  fifo=$(mktemp -u "${TMPDIR:-/tmp}/xdrive-XXXXXX")
  mkfifo "$fifo" || return 1
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 & XD_XVFB=$!
  n=$(timeout 10 head -n 1 "$fifo")
  rm -f "$fifo"
  [ -n "$n" ] || { echo "xdrive: Xvfb did not start" >&2; xd_stop; return 1; }
  export DISPLAY=:$n
  for _ in $(seq 50); do xd_tool xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
  openbox --sm-disable >/dev/null 2>&1 & XD_WM=$!
  for _ in $(seq 50); do
    xd_tool xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
  done
}
# xd_start PROGRAM [ARGS...]: starts it on the server; its output goes to XD_LOG
xd_start() {
  QT_QPA_PLATFORM=xcb "$@" >"$XD_LOG" 2>&1 & XD_PID=$!
  XD_WIN=$(xd_wait_window '.') || { echo "xdrive: no window appeared" >&2; return 1; }
  xd_tool xdotool windowactivate --sync "$XD_WIN" >/dev/null 2>&1; sleep 0.3
}
# xd_quit: ends the program started by xd_start; true when it ended by itself within 10 s
xd_quit() {
  local ended=1
  [ -n "${XD_PID:-}" ] || return 0
  kill "$XD_PID" 2>/dev/null
  for _ in $(seq 100); do kill -0 "$XD_PID" 2>/dev/null || { ended=0; break; }; sleep 0.1; done
  [ $ended -eq 0 ] || kill -9 "$XD_PID" 2>/dev/null
  wait "$XD_PID" 2>/dev/null
  XD_PID=""
  return $ended
}
xd_stop() {
  xd_quit
  [ -n "${XD_WM:-}" ] && { kill "$XD_WM" 2>/dev/null; wait "$XD_WM" 2>/dev/null; }
  [ -n "${XD_XVFB:-}" ] && { kill "$XD_XVFB" 2>/dev/null; wait "$XD_XVFB" 2>/dev/null; }
  XD_WM=""; XD_XVFB=""
}
# xd_wait_window NAME-REGEX: prints the id of a visible window of the program whose title matches
xd_wait_window() {
  local w
  for _ in $(seq 50); do
    w=$(xd_tool xdotool search --all --pid "$XD_PID" --onlyvisible --name "$1" 2>/dev/null | head -n 1)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.2
  done
  return 1
}
xd_title() { xd_tool xdotool getwindowname "${1:-$XD_WIN}" 2>/dev/null; }
# xd_windows: every visible window of the program, "id<TAB>title" (a stray popup shows up here)
xd_windows() {
  local w
  for w in $(xd_tool xdotool search --all --pid "$XD_PID" --onlyvisible --name '.*' 2>/dev/null); do
    printf '%s\t%s\n' "$w" "$(xd_title "$w")"
  done
}
# xd_type_of WIN: the window's first type for the window manager (NORMAL, DIALOG, TOOLTIP ...)
xd_type_of() {
  xd_tool xprop -id "$1" _NET_WM_WINDOW_TYPE 2>/dev/null |
    sed -n 's/^[^=]*= _NET_WM_WINDOW_TYPE_\([A-Z_]*\).*/\1/p'
}
xd_active() { xd_tool xdotool getactivewindow 2>/dev/null; }
xd_click() { # WIN X Y: activates the window and clicks at client coordinates
  xd_tool xdotool windowactivate --sync "$1" >/dev/null 2>&1
  xd_move "$@" && xd_tool xdotool click 1
}
xd_move() { # WIN X Y: the pointer to client coordinates of a window, which stays as it is
  local X Y
  X=$(xd_tool xwininfo -id "$1" | awk '/Absolute upper-left X/{print $4}')
  Y=$(xd_tool xwininfo -id "$1" | awk '/Absolute upper-left Y/{print $4}')
  xd_tool xdotool mousemove --sync $((X + $2)) $((Y + $3))
}
xd_key() { xd_tool xdotool key "$@"; sleep 0.2; }
xd_type() { timeout 60 xdotool type --delay "${XD_TYPE_DELAY:-20}" "$1"; }
# xd_dialog: waits for the first visible window of the program other than the main one
xd_dialog() {
  local d
  for _ in $(seq 50); do
    d=$(xd_tool xdotool search --all --pid "$XD_PID" --onlyvisible --name '.' 2>/dev/null | grep -vx "$XD_WIN" | head -n 1)
    [ -n "$d" ] && { echo "$d"; return 0; }
    sleep 0.2
  done
  return 1
}
xd_open() { # PATH: through the program's Ctrl+O dialog, typed as a user types it
  local d
  xd_tool xdotool windowactivate --sync "$XD_WIN" >/dev/null 2>&1
  xd_tool xdotool key ctrl+o
  d=$(xd_dialog) || return 1
  xd_tool xdotool windowactivate --sync "$d" >/dev/null 2>&1; sleep 0.3; xd_tool xdotool key ctrl+a; xd_type "$1"; sleep 0.6; xd_tool xdotool key Return; sleep 0.5
}
xd_clip_clear() { printf '' | timeout 3 xclip -selection clipboard -i >/dev/null 2>&1; }
xd_clip() { timeout 5 xclip -o -selection clipboard 2>/dev/null; }
xd_shot() { timeout 20 import -window root "$1" 2>/dev/null; }
