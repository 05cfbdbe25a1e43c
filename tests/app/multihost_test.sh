#!/usr/bin/env bash
# Three hosts on one bridge, each in its own network namespace with its own
# host name: the program on pcA, the command-line tool on pcB and pcC.
# Discovery, direct messages both ways (the reply typed into the program's
# windows, sent at exit while its host name lookup still waits), board changes
# from another host and from the own host, and Goodbye at exit. Needs root.
#   multihost_test.sh QUORLBOARD QUORLBOARD_CLI
set -uo pipefail
app=$1 cli=$2
. "$(dirname "$0")/../support/scenario.sh"
port=1500
# No default route, as on an office network without a gateway: the limited
# broadcast is refused there and must not be the only way.
make_hosts pcA pcB pcC
# On pcA the name pcB is left to a name server that never answers (a
# listener on pcC's port 53): its lookup outlasts the program.
sed -i '/ pcB$/d' "/etc/netns/${ns[pcA]}/hosts"
printf 'nameserver %s\noptions timeout:30 attempts:1\n' "${addr[pcC]}" >"/etc/netns/${ns[pcA]}/resolv.conf"

# The program on pcA runs on a virtual display, so that it can be used as a
# member would: a reply typed into its windows.
platform=offscreen
if command -v Xvfb >/dev/null && command -v xdotool >/dev/null; then
  start_xvfb
  platform=xcb
fi

export XDG_RUNTIME_DIR=$work/runtime ASAN_OPTIONS=detect_leaks=0
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
for h in pcA pcB pcC; do
  mkdir -p "$work/$h/board"
  QUORLBOARD_CONFIG_DIR=$work/$h/config "$cli" init --folder "$work/$h/board" >/dev/null || fail "init $h"
  QUORLBOARD_CONFIG_DIR=$work/$h/config "$cli" config --folder "$work/$h/board" --user "user-$h" \
    --port $port >/dev/null || fail "config $h"
done

listening() { ip netns exec "${ns[pcB]}" ss -uln | grep -q ":$port " && ip netns exec "${ns[pcC]}" ss -uln | grep -q ":$port "; }
for h in pcB pcC; do
  QUORLBOARD_CONFIG_DIR=$work/$h/config start_on "$h" "$cli" listen --timeout 120 >"$work/$h-listen.log" 2>&1 &
  pids+=($!)
done
QUORLBOARD_CONFIG_DIR=$work/pcC/config start_on pcC "$cli" listen --port 53 --timeout 120 >/dev/null 2>&1 &
pids+=($!)
retry 100 listening

QUORLBOARD_CONFIG_DIR=$work/pcA/config QT_QPA_PLATFORM=$platform QT_LOGGING_RULES="quorlboard.*=true" \
  start_on pcA "$app" >"$work/pcA-app.log" 2>&1 &
app_pid=$!
pids+=($app_pid)

# Discovery: the others see the Hello, answer it, and the program adds them.
a=${addr[pcA]}
for h in pcB pcC; do
  wait_for "$work/$h-listen.log" "^1	$a	pcA	user-pcA	user-pcA$" 20 || fail "$h did not see pcA's Hello"
  wait_for "$work/pcA-app.log" "peer added address=${addr[$h]} host=$h " 20 || fail "pcA did not add $h"
done
wait_for "$work/pcA-app.log" "size=3" 5 || fail "member table is not 3"

# A direct message from pcB opens a receive window on pcA, colons and all.
QUORLBOARD_CONFIG_DIR=$work/pcB/config on pcB "$cli" send pcA "会議は 10:30 から" >/dev/null 2>&1 || fail "send"
wait_for "$work/pcA-app.log" "received kind=5 address=${addr[pcB]} host=pcB user=user-pcB" 10 || fail "no direct message"
wait_for "$work/pcA-app.log" "receive window opened host=pcB" 10 || fail "no receive window"

# A board change posted on pcC starts the alert on pcA.
echo "本文" | QUORLBOARD_CONFIG_DIR=$work/pcC/config on pcC "$cli" post --title "お知らせ" --announce >/dev/null 2>&1 ||
  fail "post on pcC"
wait_for "$work/pcA-app.log" "received kind=3 address=${addr[pcC]} host=pcC" 10 || fail "no board change from pcC"
wait_for "$work/pcA-app.log" "alert started" 10 || fail "no alert for pcC's change"

# The same from pcA's own host name is ignored.
alerts=$(grep -c "alert started" "$work/pcA-app.log")
echo "本文" | QUORLBOARD_CONFIG_DIR=$work/pcA/config on pcA "$cli" post --title "自分" --announce >/dev/null 2>&1 ||
  fail "post on pcA"
wait_for "$work/pcA-app.log" "received kind=3 address=$a host=pcA" 10 || fail "own board change not received"
on pcB bash -c "$(declare -f retry wait_for sentinel); sentinel $a $port $work/pcA-app.log" || fail "pcA stopped reading datagrams"
[ "$(grep -c "alert started" "$work/pcA-app.log")" = "$alerts" ] || fail "own board change started an alert"

# The member on pcA reveals the message and replies, and the program is ended
# at once: the reply goes out before the Goodbye, without waiting for pcB's
# name, and the exit does not wait for the name server either.
if [ "$platform" = xcb ]; then
  window_geometry "^受信\$" || fail "no receive window on the display"
  click $((X + WIDTH / 2)) $((Y + 100 + (HEIGHT - 150) / 2)) # "メッセージが届きました"
  click $((X + WIDTH / 2 + 60)) $((Y + HEIGHT - 25))          # "返信"
  window_geometry "^送信\$" || fail "no send window after the reply button"
  click $((X + WIDTH / 2)) $((Y + HEIGHT * 4 / 10 + 20))      # the message text
  xdotool type --delay 20 "reply 10:30"
  click $((X + WIDTH / 2)) $((Y + HEIGHT - 25))               # "送信"
  retry 50 eval '! xdotool search --onlyvisible --name "^送信\$"'
fi
kill -TERM "$app_pid"
ends_soon "$app_pid" || fail "the program did not end within 5 s: it waits for the name server"
for h in pcB pcC; do
  wait_for "$work/$h-listen.log" "^6	$a	pcA	user-pcA	pcA$" 20 || fail "$h did not see pcA's Goodbye"
done
if [ "$platform" = xcb ]; then
  reply=$(grep -n "^5	$a	pcA	user-pcA	reply 10:30$" "$work/pcB-listen.log" | cut -d: -f1)
  goodbye=$(grep -n "^6	$a	pcA	" "$work/pcB-listen.log" | cut -d: -f1)
  [ -n "$reply" ] || fail "pcB did not get pcA's reply"
  [ "$reply" -lt "$goodbye" ] || fail "pcA's reply came after its Goodbye"
fi
echo "PASS"
