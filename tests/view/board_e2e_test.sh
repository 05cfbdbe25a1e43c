#!/usr/bin/env bash
# The board's typical event across two hosts that share one message file
# folder, each in its own network namespace with its own host name: a member
# on pcA writes a message in the program's own windows; pcB's program reloads
# its list with that message selected and starts its alert. Deleting it on
# pcA makes pcB reload with nothing selected. Needs root, Xvfb and xdotool.
#   board_e2e_test.sh QUORLBOARD QUORLBOARD_CLI
set -uo pipefail
app=$1 cli=$2
. "$(dirname "$0")/../support/scenario.sh"
require_tools Xvfb xdotool
make_hosts pcA pcB
start_xvfb
export XDG_RUNTIME_DIR=$work/runtime ASAN_OPTIONS=detect_leaks=0
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

# One shared message file folder, as on the office's file server.
shared=$work/shared
mkdir -p "$shared"
QUORLBOARD_CONFIG_DIR=$work/pcA/config "$cli" init --folder "$shared" >/dev/null || fail "init"
for h in pcA pcB; do
  QUORLBOARD_CONFIG_DIR=$work/$h/config "$cli" config --folder "$shared" --user "user-$h" --port 1500 \
    >/dev/null || fail "config $h"
done

QUORLBOARD_CONFIG_DIR=$work/pcB/config QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="quorlboard.*=true" \
  start_on pcB "$app" >"$work/pcB-app.log" 2>&1 &
pids+=($!)
wait_for "$work/pcB-app.log" "socket opened" 20 || fail "pcB did not start"
QUORLBOARD_CONFIG_DIR=$work/pcA/config QT_QPA_PLATFORM=xcb QT_LOGGING_RULES="quorlboard.*=true" \
  start_on pcA "$app" >"$work/pcA-app.log" 2>&1 &
pids+=($!)
wait_for "$work/pcB-app.log" "peer added address=${addr[pcA]} host=pcA " 20 || fail "pcB did not see pcA"

# The buttons stand in a column 80 pixels from the right edge, below the menu
# bar: 新規 10-35 and 削除 70-95 pixels into the board view.
window_geometry "^QuorlBoard" || fail "pcA's main window is not on the display"
main_x=$X main_y=$Y main_w=$WIDTH
menu=24
click $((main_x + main_w - 42)) $((main_y + menu + 22))
window_geometry "^掲示板\$" || fail "no editor after 新規"
xdotool type --delay 30 "e2e notice"
xdotool key Return # Enter in the title field writes
wait_for "$work/pcA-app.log" "store add result=0 number=1" 20 || fail "pcA did not store the message"
wait_for "$work/pcB-app.log" "received kind=3 address=${addr[pcA]} host=pcA user=user-pcA" 10 ||
  fail "pcB got no board change"
wait_for "$work/pcB-app.log" "titles reloaded cause=notice rows=1" 10 || fail "pcB did not reload"
wait_for "$work/pcB-app.log" "titles selection number=1" 10 || fail "pcB does not select the new message"
wait_for "$work/pcB-app.log" "alert started" 10 || fail "pcB did not start its alert"
reload_line=$(grep -n "titles reloaded cause=notice" "$work/pcB-app.log" | head -n1 | cut -d: -f1)
alert_line=$(grep -n "alert started" "$work/pcB-app.log" | head -n1 | cut -d: -f1)
[ "$reload_line" -lt "$alert_line" ] || fail "pcB's alert started before its list was reloaded"
"$cli" list --folder "$shared" 2>/dev/null | grep -q "e2e notice" || fail "the board file lacks the message"

# Deleting on pcA: the new message is still selected there.
click $((main_x + main_w - 42)) $((main_y + menu + 82))
window_geometry "^削除確認\$" || fail "no delete confirmation"
xdotool key Return # はい
wait_for "$work/pcA-app.log" "store delete number=1 read=0 result=0" 10 || fail "pcA did not delete"
wait_for "$work/pcB-app.log" "received kind=7 address=${addr[pcA]} host=pcA user=user-pcA" 10 ||
  fail "pcB got no deletion notice"
wait_for "$work/pcB-app.log" "titles reloaded cause=notice rows=0" 10 || fail "pcB did not reload after the deletion"
tail -n +"$(grep -n 'rows=0' "$work/pcB-app.log" | tail -n1 | cut -d: -f1)" "$work/pcB-app.log" |
  grep -q "titles selection number=-1" || fail "pcB still selects a row"
echo "PASS"
