#!/usr/bin/env bash
# The tray icon on a real X display with an XEmbed notification area:
# it is there with its tip, it alternates during an alert, a double click
# shows the window, a second start brings it up (or says that another port
# cannot be had), and with a flood of direct messages open and waiting, its
# menu's Exit (or SIGTERM) ends the program at once.
#   tray_test.sh QUORLBOARD QUORLBOARD_CLI [late]
# With "late" the notification area appears only after the program started,
# as when a desktop starts its autostart entries before its panel.
set -uo pipefail
app=$1 cli=$2 late=${3:-}
. "$(dirname "$0")/../support/scenario.sh"
require_tools Xvfb trayer xdotool xwininfo
count() { grep -c -- "$1" "$work/app.log" 2>/dev/null || true; }
start_xvfb
start_tray() {
  trayer --edge bottom --align right --widthtype pixel --width 120 --heighttype pixel --height 32 \
         --transparent false --tint 0x808080 >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do xdotool search --class trayer >/dev/null 2>&1 && break; sleep 0.1; done
}
[ -z "$late" ] && start_tray

export QUORLBOARD_CONFIG_DIR=$work/config XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$work/board" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
port=$((20000 + RANDOM % 20000))
"$cli" init --folder "$work/board" >/dev/null || fail "init"
"$cli" config --folder "$work/board" --user tester --port 1500 >/dev/null || fail "config"

QT_QPA_PLATFORM=xcb QT_LOGGING_RULES="quorlboard.*=true" ASAN_OPTIONS=detect_leaks=0 \
  "$app" "$port" >"$work/app.log" 2>&1 &
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
  for w in $(xdotool search --class trayer 2>/dev/null); do xwininfo -tree -id "$w"; done |
    awk '/\("quorlboard" / {print $1; exit}'
}
icon=""
for _ in $(seq 50); do
  icon=$(find_icon)
  [ -n "$icon" ] && break
  sleep 0.2
done
[ -n "$icon" ] || fail "the notification area holds no icon of the program"
eval "$(xdotool getwindowgeometry --shell "$icon")"
[ "$WIDTH" -gt 0 ] && [ "$HEIGHT" -gt 0 ] || fail "icon has no size"

# A board change from another host: the icon alternates once a second.
printf '3:10.1.2.3:otherpc:someone:5' >"/dev/udp/127.0.0.1/$port" || fail "cannot send"
wait_for "$work/app.log" "alert started" 10 || fail "no alert"
deadline=$((SECONDS + 15))
while [ $SECONDS -lt $deadline ] && { [ "$(count 'tray icon alert')" -lt 2 ] || [ "$(count 'tray icon normal')" -lt 2 ]; }; do
  sleep 0.3
done
[ "$(count 'tray icon alert')" -ge 2 ] && [ "$(count 'tray icon normal')" -ge 2 ] || fail "icon does not alternate"

# Its own board changes are not announced to itself.
before=$(count "alert started")
printf "3:10.1.2.4:$(hostname):me:6" >"/dev/udp/127.0.0.1/$port"
sentinel 127.0.0.1 "$port" "$work/app.log" || fail "the program stopped reading datagrams"
[ "$(count 'alert started')" = "$before" ] || fail "own board change started an alert"

# A double click on the icon shows the window and ends the alert.
eval "$(xdotool getwindowgeometry --shell "$icon")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click --repeat 2 --delay 80 1
wait_for "$work/app.log" "main window shown" 10 || fail "double click did not show the window"
wait_for "$work/app.log" "alert stopped" 5 || fail "showing the window did not stop the alert"

# A second start for the same user brings the running program's window up
# and ends, instead of failing on the busy port.
xdotool search --class quorlboard windowunmap --sync >/dev/null 2>&1 || true
shown=$(count "main window shown")
QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0 timeout 30 "$app" "$port" >"$work/second.log" 2>&1 ||
  fail "the second start did not end well: $(cat "$work/second.log")"
deadline=$((SECONDS + 10))
while [ $SECONDS -lt $deadline ] && [ "$(count "main window shown")" = "$shown" ]; do sleep 0.2; done
[ "$(count "main window shown")" -gt "$shown" ] || fail "the second start did not bring the window up"
grep -q "ソケットの作成に失敗" "$work/app.log" "$work/second.log" && fail "busy-port message on a second start"

# A second start with another port is told why it does not run.
QT_QPA_PLATFORM=xcb QT_LOGGING_RULES="quorlboard.*=true" ASAN_OPTIONS=detect_leaks=0 \
  "$app" $((port + 1)) >"$work/other-port.log" 2>&1 &
other=$!
pids+=($other)
wait_for "$work/other-port.log" "message box: QuorlBoard は既に起動しています(ポート番号:$port)" 30 ||
  fail "no message box for a second start with another port"
for _ in $(seq 50); do
  box=$(xdotool search --onlyvisible --pid "$other" 2>/dev/null | head -n1)
  [ -n "$box" ] && break
  sleep 0.2
done
[ -n "$box" ] || fail "the message box is not on the display"
eval "$(xdotool getwindowgeometry --shell "$box")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) key Return
wait "$other"
[ $? = 1 ] || fail "a second start with another port must end with 1"

# A flood of direct messages: a few windows open, the rest wait.
for i in $(seq 2000); do printf '5:10.1.2.3:otherpc:someone:%d' "$i" >"/dev/udp/127.0.0.1/$port"; done
deadline=$((SECONDS + 60))
while [ $SECONDS -lt $deadline ] && [ "$(count 'received kind=5')" -lt 1000 ]; do sleep 0.3; done
[ "$(count 'received kind=5')" -ge 1000 ] || fail "the direct messages did not arrive"
opened=$(count "receive window opened")
[ "$opened" = 8 ] || fail "$opened receive windows open instead of 8"

# Exit drops the waiting ones at once. The tray menu still reaches it, or SIGTERM.
if [ -n "$late" ]; then
  kill -TERM "$app_pid"
else
  windows() { xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null | wc -l; }
  before=$(windows)
  eval "$(xdotool getwindowgeometry --shell "$icon")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
  wait_for "$work/app.log" "tray menu opened" 10 || fail "the tray menu does not open over receive windows"
  for _ in $(seq 50); do [ "$(windows)" -gt "$before" ] && break; sleep 0.1; done
  xdotool key Up Return # the last entry: 終了
fi
wait_for "$work/app.log" ": exit$" 10 || fail "no exit"
start=$(date +%s%N)
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "the program did not end within 5 s of exit"
echo "exit took $((($(date +%s%N) - start) / 1000000)) ms"
[ "$(count "receive window opened")" = "$opened" ] || fail "receive windows opened after exit"
grep -q "sent kind=6 target=broadcast" "$work/app.log" || fail "no Goodbye at exit"
grep -q "ClientSize" "$work/config/settings.reg" || fail "placement not saved at exit"
echo "PASS"
