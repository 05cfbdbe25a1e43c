#!/usr/bin/env bash
# The board's typical event across two hosts that share one message file
# folder, each in its own network namespace with its own host name: a member
# on pcA writes a message in the program's own windows; pcB's program reloads
# its list with that message selected and starts its alert. Deleting it on
# pcA makes pcB reload with nothing selected. Needs root, Xvfb and xdotool.
#   board_e2e_test.sh QUORLBOARD QUORLBOARD_CLI
set -uo pipefail
app=$1 cli=$2
[ "$(id -u)" = 0 ] || { echo "SKIP: needs root for network namespaces"; exit 77; }
for tool in ip unshare Xvfb xdotool; do
  command -v $tool >/dev/null || { echo "SKIP: $tool missing"; exit 77; }
done
unshare --uts true 2>/dev/null || { echo "SKIP: cannot give processes their own host names"; exit 77; }

tag=b$$
br=$tag-br
hosts=(pcA pcB)
declare -A ns addr
subnet=10.78.$((RANDOM % 200))
for i in 0 1; do
  ns[${hosts[$i]}]=$tag-${hosts[$i]}
  addr[${hosts[$i]}]=$subnet.$((i + 1))
done
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done
  wait 2>/dev/null
  for h in "${hosts[@]}"; do ip netns del "${ns[$h]}" 2>/dev/null; rm -rf "/etc/netns/${ns[$h]}"; done
  ip netns del "$br" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  for f in "$work"/*.log; do echo "--- $f"; cat "$f"; done
  exit 1
}
wait_for() { # file pattern seconds
  local deadline=$((SECONDS + $3))
  while [ $SECONDS -lt $deadline ]; do
    grep -q -- "$2" "$1" 2>/dev/null && return 0
    sleep 0.2
  done
  return 1
}
start_on() { # host command...: run with that host's network and host name
  local h=$1; shift
  exec ip netns exec "${ns[$h]}" unshare --uts sh -c 'hostname "$0"; exec "$@"' "$h" "$@"
}

ip netns add "$br" || { echo "SKIP: cannot create network namespaces"; exit 77; }
ip -n "$br" link add br0 type bridge && ip -n "$br" link set br0 up || fail "bridge"
for h in "${hosts[@]}"; do
  n=${ns[$h]}
  ip netns add "$n" || fail "namespace $n"
  ip -n "$br" link add "v$h" type veth peer name eth0 netns "$n" || fail "veth $h"
  ip -n "$br" link set "v$h" master br0 up
  ip -n "$n" link set lo up
  ip -n "$n" addr add "${addr[$h]}/24" dev eth0
  ip -n "$n" link set eth0 up
  mkdir -p "/etc/netns/$n"
  { echo "127.0.0.1 localhost"; for o in "${hosts[@]}"; do echo "${addr[$o]} $o"; done; } >"/etc/netns/$n/hosts"
done

exec 3<> "$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"
export XDG_RUNTIME_DIR=$work/runtime ASAN_OPTIONS=detect_leaks=0
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

# One shared message file folder, as on the office's file server.
shared=$work/shared
mkdir -p "$shared"
QUORLBOARD_CONFIG_DIR=$work/pcA/config "$cli" init --folder "$shared" >/dev/null || fail "init"
for h in "${hosts[@]}"; do
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

click() { xdotool mousemove "$1" "$2" click 1; sleep 0.5; }
window_geometry() { # title pattern: sets X Y WIDTH HEIGHT of the visible window with that title
  local id=""
  for _ in $(seq 50); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1)
    [ -n "$id" ] && break
    sleep 0.2
  done
  [ -n "$id" ] || return 1
  eval "$(xdotool getwindowgeometry --shell "$id")"
}
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
