# Shared pieces of the whole-program test scripts: a private work folder, cleaning
# up, waiting for log lines, a virtual display, clicking into windows, and hosts of
# their own (network namespace, address, host name) on a bridge, or on two
# subnets joined by a router.
# Source it after setting "set -uo pipefail".

work=$(mktemp -d)
pids=()
scenario_namespaces=()
cleanup() {
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done
  wait 2>/dev/null
  for n in "${scenario_namespaces[@]}"; do ip netns del "$n" 2>/dev/null; rm -rf "/etc/netns/$n"; done
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  for f in "$work"/*.log; do [ -e "$f" ] && { echo "--- $f"; cat "$f"; }; done
  exit 1
}

retry() { # tries command...: runs the command until it succeeds, 0.1 s apart
  local tries=$1; shift
  for _ in $(seq "$tries"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}

wait_for() { retry $(($3 * 10)) grep -q -- "$2" "$1"; } # file pattern seconds

count_in() { grep -c -- "$2" "$1" 2>/dev/null || true; } # file pattern

gone() { ! kill -0 "$1" 2>/dev/null; } # pid

ends_soon() { # pid: the process ends within 5 s; tells how long it took
  local start
  start=$(date +%s%N)
  retry 50 gone "$1" || return 1
  echo "exit took $((($(date +%s%N) - start) / 1000000)) ms"
}

require_tools() { # tool...: skip the test when one is missing
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool missing"; exit 77; }
  done
}

start_xvfb() { # a virtual display of its own; exports DISPLAY
  exec 3<> "$work/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  retry 100 test -s "$work/display"
  export DISPLAY=":$(head -n1 "$work/display")"
}

# The events reach the program in order; what a click opens is waited for.
click() { xdotool mousemove --sync "$1" "$2" click 1; }

# A datagram of a kind nobody acts on, from another host: once the program logs
# it, everything sent before it has been dealt with.
sentinel() { # address port: waits up to 10 s for it in the log file $3
  local tag="sentinel-$RANDOM$RANDOM"
  printf '9:10.9.9.9:%s:x:y' "$tag" >"/dev/udp/$1/$2" || return 1
  wait_for "$3" "received kind=9 address=10.9.9.9 host=$tag " 10
}

window_geometry() { # title pattern: sets X Y WIDTH HEIGHT of the visible window with that title
  retry 100 xdotool search --onlyvisible --name "$1" || return 1
  eval "$(xdotool getwindowgeometry --shell "$(xdotool search --onlyvisible --name "$1" | head -n1)")"
}

declare -A ns addr
make_hosts() { # name...: each in its own namespace on one bridge, no default route
  [ "$(id -u)" = 0 ] || { echo "SKIP: needs root for network namespaces"; exit 77; }
  require_tools ip unshare
  unshare --uts true 2>/dev/null || { echo "SKIP: cannot give processes their own host names"; exit 77; }
  local tag=q$$ subnet=10.$((70 + RANDOM % 20)).$((RANDOM % 200)) i=0 h n
  local br=$tag-br
  ip netns add "$br" || { echo "SKIP: cannot create network namespaces"; exit 77; }
  scenario_namespaces+=("$br")
  ip -n "$br" link add br0 type bridge && ip -n "$br" link set br0 up || fail "bridge"
  for h in "$@"; do
    i=$((i + 1)) n=$tag-$h
    ns[$h]=$n addr[$h]=$subnet.$i
    ip netns add "$n" || fail "namespace $n"
    scenario_namespaces+=("$n")
    ip -n "$br" link add "v$h" type veth peer name eth0 netns "$n" || fail "veth $h"
    ip -n "$br" link set "v$h" master br0 up
    ip -n "$n" link set lo up && ip -n "$n" addr add "${addr[$h]}/24" dev eth0 && ip -n "$n" link set eth0 up
  done
  # Every host knows the others by name, as through the office's DNS.
  for h in "$@"; do
    mkdir -p "/etc/netns/${ns[$h]}"
    { echo "127.0.0.1 localhost"; for o in "$@"; do echo "${addr[$o]} $o"; done; } >"/etc/netns/${ns[$h]}/hosts"
  done
}

make_subnets() { # hostA hostB: each on a network of its own, joined by a router that forwards
  [ "$(id -u)" = 0 ] || { echo "SKIP: needs root for network namespaces"; exit 77; }
  require_tools ip unshare
  unshare --uts true 2>/dev/null || { echo "SKIP: cannot give processes their own host names"; exit 77; }
  local tag=q$$ second=$((RANDOM % 200)) side h n
  local -A net=([$1]=10.$((90 + RANDOM % 10)).$second [$2]=10.$((100 + RANDOM % 10)).$second)
  local br=$tag-br router=$tag-router
  ip netns add "$br" || { echo "SKIP: cannot create network namespaces"; exit 77; }
  ip netns add "$router" || fail "router namespace"
  scenario_namespaces+=("$br" "$router")
  ip netns exec "$router" sysctl -qw net.ipv4.ip_forward=1 || fail "forwarding"
  ip -n "$router" link set lo up
  for h in "$1" "$2"; do
    side=br-$h n=$tag-$h
    ns[$h]=$n addr[$h]=${net[$h]}.1 bcast[$h]=${net[$h]}.255
    ip -n "$br" link add "$side" type bridge && ip -n "$br" link set "$side" up || fail "bridge $side"
    ip -n "$br" link add "r$h" type veth peer name "to$h" netns "$router" || fail "router veth $h"
    ip -n "$br" link set "r$h" master "$side" up
    ip -n "$router" addr add "${net[$h]}.254/24" dev "to$h" && ip -n "$router" link set "to$h" up
    ip netns add "$n" || fail "namespace $n"
    scenario_namespaces+=("$n")
    ip -n "$br" link add "v$h" type veth peer name eth0 netns "$n" || fail "veth $h"
    ip -n "$br" link set "v$h" master "$side" up
    ip -n "$n" link set lo up && ip -n "$n" addr add "${addr[$h]}/24" dev eth0 && ip -n "$n" link set eth0 up
  done
  ip -n "${ns[$1]}" route add "${net[$2]}.0/24" via "${net[$1]}.254" || fail "route from $1"
  ip -n "${ns[$2]}" route add "${net[$1]}.0/24" via "${net[$2]}.254" || fail "route from $2"
  for h in "$1" "$2"; do
    mkdir -p "/etc/netns/${ns[$h]}"
    { echo "127.0.0.1 localhost"; echo "${addr[$1]} $1"; echo "${addr[$2]} $2"; } >"/etc/netns/${ns[$h]}/hosts"
  done
}
declare -A bcast

on() { # host command...: run with that host's network and host name
  local h=$1; shift
  ip netns exec "${ns[$h]}" unshare --uts sh -c 'hostname "$0"; exec "$@"' "$h" "$@"
}

start_on() { # the same, for the background: $! is then the command itself
  local h=$1; shift
  exec ip netns exec "${ns[$h]}" unshare --uts sh -c 'hostname "$0"; exec "$@"' "$h" "$@"
}
