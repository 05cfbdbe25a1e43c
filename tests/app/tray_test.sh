#!/usr/bin/env bash
# The tray icon on a real X display with an XEmbed notification area:
# it is there with its tip, it alternates during an alert, a double click
# shows the window, and SIGTERM ends the program as Exit does.
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
  sleep 1
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
sleep 1
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

kill -TERM "$app_pid"
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "SIGTERM did not end the program"
grep -q "sent kind=6 target=broadcast" "$work/app.log" || fail "no Goodbye on SIGTERM"
grep -q "ClientSize" "$work/config/settings.reg" || fail "placement not saved on SIGTERM"
echo "PASS"
