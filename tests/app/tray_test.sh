#!/usr/bin/env bash
# The tray icon on a real X display with an XEmbed notification area:
# it is there with its tip, a double click shows the window and ends the
# alert, a second start with another port says why it does not run, and with
# a flood of direct messages open and waiting, its menu's Exit (or SIGTERM)
# ends the program at once.
#   tray_test.sh QUORLBOARD QUORLBOARD_CLI TRAY_PROBE [late]
# With "late" the notification area appears only after the program started,
# as when a desktop starts its autostart entries before its panel.
set -uo pipefail
app=$1 cli=$2 probe=$3 late=${4:-}
. "$(dirname "$0")/../support/scenario.sh"
require_tools Xvfb trayer xdotool xwininfo
count() { count_in "$work/app.log" "$1"; }
start_xvfb
start_tray() {
  trayer --edge bottom --align right --widthtype pixel --width 120 --heighttype pixel --height 32 \
         --transparent false --tint 0x808080 >/dev/null 2>&1 &
  pids+=($!)
  # Its window comes before it owns the tray selection, on a busy machine by seconds.
  retry 100 env QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0 "$probe" || fail "the notification area did not start"
}
[ -z "$late" ] && start_tray

export QUORLBOARD_CONFIG_DIR=$work/config XDG_RUNTIME_DIR=$work/runtime ASAN_OPTIONS=detect_leaks=0
mkdir -p "$work/board" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
port=$((20000 + RANDOM % 12000)) # below the range the system hands out to sockets on port 0
"$cli" init --folder "$work/board" >/dev/null || fail "init"
"$cli" config --folder "$work/board" --user tester --port 1500 >/dev/null || fail "config"
run_app() { QT_QPA_PLATFORM=xcb QT_LOGGING_RULES="quorlboard.*=true" exec "$app" "$@"; } # in the background: $! is the program
udp() { printf "$1" >"/dev/udp/127.0.0.1/$port"; }

run_app "$port" >"$work/app.log" 2>&1 &
app_pid=$!
pids+=($app_pid)

wait_for "$work/app.log" "tray icon added tip=Trellin($port)" 30 || fail "no tray icon with tip Trellin($port)"
if [ -n "$late" ]; then
  wait_for "$work/app.log" "main window shown" 10 || fail "without a notification area the window must be shown"
  start_tray
  wait_for "$work/app.log" "notification area appeared" 20 || fail "the notification area that appeared was not noticed"
else
  grep -q "main window shown" "$work/app.log" && fail "the window must start hidden when there is a tray"
fi

# The icon is embedded in the notification area: find its window there.
find_icon() {
  icon=$(for w in $(xdotool search --class trayer 2>/dev/null); do xwininfo -tree -id "$w"; done |
    awk '/\("quorlboard" / {print $1; exit}')
  [ -n "$icon" ] && eval "$(xdotool getwindowgeometry --shell "$icon")"
}
for _ in $(seq 50); do find_icon && break; sleep 0.2; done
[ -n "$icon" ] || fail "the notification area holds no icon of the program"
[ "$WIDTH" -gt 0 ] && [ "$HEIGHT" -gt 0 ] || fail "icon has no size"

# A board change from another host starts the alert.
udp '3:10.1.2.3:otherpc:someone:5' || fail "cannot send"
wait_for "$work/app.log" "alert started" 10 || fail "no alert"

# A double click on the icon shows the window and ends the alert.
find_icon
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click --repeat 2 --delay 80 1
wait_for "$work/app.log" "main window shown" 10 || fail "double click did not show the window"
wait_for "$work/app.log" "alert stopped" 5 || fail "showing the window did not stop the alert"

# A second start with another port is told why it does not run.
run_app $((port + 1)) >"$work/other-port.log" 2>&1 &
other=$!
pids+=($other)
wait_for "$work/other-port.log" "message box: QuorlBoard は既に起動しています(ポート番号:$port)" 30 ||
  fail "no message box for a second start with another port"
retry 100 xdotool search --onlyvisible --pid "$other" || fail "the message box is not on the display"
eval "$(xdotool getwindowgeometry --shell "$(xdotool search --onlyvisible --pid "$other" | head -n1)")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) key Return
wait "$other"
[ $? = 1 ] || fail "a second start with another port must end with 1"

# A flood of direct messages: a few windows open, the rest wait.
for i in $(seq 2000); do udp "5:10.1.2.3:otherpc:someone:$i"; done
arrived() { [ "$(count 'received kind=5')" -ge 1000 ]; }
retry 600 arrived || fail "the direct messages did not arrive"
opened=$(count "receive window opened")
[ "$opened" = 8 ] || fail "$opened receive windows open instead of 8"
# Without a notification service the flood is told in the icon's balloons:
# one at once, then one per 2 s for the rest (two, unless taking the flood in
# lasts over 2 s on a busy machine). Keys reach the tray menu only once they are gone.
wait_for "$work/app.log" "notification in the tray balloon" 5 || fail "no balloon for the direct messages"
told_settled() { # no new one for longer than a balloon shows
  local before
  before=$(count "notification direct message")
  sleep 5.5
  [ "$(count "notification direct message")" = "$before" ]
}
for _ in 1 2 3 4; do told_settled && break; done
told=$(count "notification direct message")
[ "$told" -ge 2 ] && [ "$told" -le 3 ] || fail "$told notifications for a flood"

# Exit drops the waiting ones at once. The tray menu still reaches it, or SIGTERM.
if [ -n "$late" ]; then
  kill -TERM "$app_pid"
else
  windows() { xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null | wc -l; }
  before=$(windows)
  find_icon
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
  wait_for "$work/app.log" "tray menu opened" 10 || fail "the tray menu does not open over receive windows"
  menu_up() { [ "$(windows)" -gt "$before" ]; }
  retry 50 menu_up
  xdotool key Up Return # the last entry: 終了
fi
wait_for "$work/app.log" ": exit$" 10 || fail "no exit"
ends_soon "$app_pid" || fail "the program did not end within 5 s of exit"
[ "$(count "receive window opened")" = "$opened" ] || fail "receive windows opened after exit"
grep -q "sent kind=6 target=broadcast" "$work/app.log" || fail "no Goodbye at exit"
grep -q "ClientSize" "$work/config/settings.reg" || fail "placement not saved at exit"
echo "PASS"
