#!/usr/bin/env bash
# Members on two subnets joined by a router, which forwards unicast but no
# broadcast: the program on pcA lists pcB (by name) and pcB's directed
# broadcast among its extra destinations; the program on pcB lists nothing.
# Both tables come to hold both, a board change on pcA makes pcB reload, and
# direct messages go both ways. Needs root.
#   subnets_test.sh QUORLBOARD QUORLBOARD_CLI
set -uo pipefail
app=$1 cli=$2
. "$(dirname "$0")/../support/scenario.sh"
port=1500
make_subnets pcA pcB

for h in pcA pcB; do
  mkdir -p "$work/$h/board" "$work/$h/runtime" && chmod 700 "$work/$h/runtime"
  QUORLBOARD_CONFIG_DIR=$work/$h/config "$cli" init --folder "$work/$h/board" >/dev/null || fail "init $h"
  QUORLBOARD_CONFIG_DIR=$work/$h/config "$cli" config --folder "$work/$h/board" --user "user-$h" \
    --port $port >/dev/null || fail "config $h"
done
QUORLBOARD_CONFIG_DIR=$work/pcA/config "$cli" config --targets "pcB, ${bcast[pcB]}" >/dev/null || fail "targets"
QUORLBOARD_CONFIG_DIR=$work/pcA/config "$cli" config | grep -qx "targets: pcB,${bcast[pcB]}" || fail "targets not shown"

export ASAN_OPTIONS=detect_leaks=0
start_app() { # host
  QUORLBOARD_CONFIG_DIR=$work/$1/config XDG_RUNTIME_DIR=$work/$1/runtime QT_QPA_PLATFORM=offscreen \
    QT_LOGGING_RULES="quorlboard.*=true" start_on "$1" "$app" >"$work/$1-app.log" 2>&1 &
  pids+=($!)
}
# pcA starts first: pcB's own Hello stays on its subnet, and pcB hears of pcA
# by the Hello that pcA sends its extra destinations again, which pcB answers.
start_app pcA
wait_for "$work/pcA-app.log" "socket opened port=$port" 20 || fail "pcA did not start"
start_app pcB
wait_for "$work/pcB-app.log" "peer added address=${addr[pcA]} host=pcA " 45 || fail "pcB did not add pcA"
wait_for "$work/pcA-app.log" "peer added address=${addr[pcB]} host=pcB " 10 || fail "pcA did not add pcB"

# A board change posted on pcA reaches pcB, whose list reloads.
echo "本文" | QUORLBOARD_CONFIG_DIR=$work/pcA/config on pcA "$cli" post --title "お知らせ" --announce >/dev/null 2>&1 ||
  fail "post on pcA"
wait_for "$work/pcB-app.log" "received kind=3 address=${addr[pcA]} host=pcA" 10 || fail "no board change on pcB"
wait_for "$work/pcB-app.log" "titles reloaded cause=notice" 10 || fail "pcB did not reload"

# Direct messages both ways.
QUORLBOARD_CONFIG_DIR=$work/pcA/config on pcA "$cli" send pcB "2F から" >/dev/null 2>&1 || fail "send from pcA"
wait_for "$work/pcB-app.log" "received kind=5 address=${addr[pcA]} host=pcA" 10 || fail "no message on pcB"
QUORLBOARD_CONFIG_DIR=$work/pcB/config on pcB "$cli" send pcA "3F から" >/dev/null 2>&1 || fail "send from pcB"
wait_for "$work/pcA-app.log" "received kind=5 address=${addr[pcB]} host=pcB" 10 || fail "no message on pcA"
echo PASS
