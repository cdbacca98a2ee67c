#!/bin/bash
# scripts/launch with no display, in a network namespace of the test's own:
# the VNC server listens on loopback only unless an address is given, asks
# for a password, and goes with the process the test started.
#   launch_test.sh SCRIPTS/LAUNCH STAND-IN-WINDOW
set -u
launch=$1 window=$2
skip() { echo "skipped: $*"; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "needs root to make a network namespace"
for tool in ip ss Xvfb x11vnc xauth setpriv perl unshare; do
  command -v "$tool" >/dev/null || skip "needs $tool"
done
ns=lvlaunch-$$
ip netns add "$ns" || skip "cannot make a network namespace"
log=$(mktemp) pid="" squatter=""
finish() {
  [ -z "$pid" ] || kill "$pid" 2>/dev/null
  [ -z "$squatter" ] || kill "$squatter" 2>/dev/null
  # Anything the launch left behind in the namespace was started by this test.
  for p in $(ip netns pids "$ns"); do kill "$p" 2>/dev/null; done
  ip netns delete "$ns"
  rm -f "$log"
}
trap finish EXIT
ip -n "$ns" link set lo up
failures=0
expect() {  # expect CONDITION WHAT
  eval "$1" || { echo "FAILED: $2"; failures=$((failures + 1)); }
}

start() {  # start [NAME=VALUE...]
  ip netns exec "$ns" env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" \
    "$launch" "$window" >"$log" 2>&1 &
  pid=$!
}
listeners() {
  ip netns exec "$ns" ss -ltnH 'sport = :5900' | awk '{print $4}' | sort | tr '\n' ' '
}
within() {  # within TENTHS CONDITION: CONDITION holds within TENTHS tenths of a second
  for _ in $(seq "$1"); do eval "$2" && return 0; sleep 0.1; done
  return 1
}
# Listening, and saying where to connect.
listening() { within 150 '[ -n "$(listeners)" ] && grep -q "VNC viewer" "$log"'; }
# Ended within five seconds; its status in $status.
ended() { within 50 '! kill -0 "$pid" 2>/dev/null' && { wait "$pid"; status=$?; pid=""; }; }
stop() { kill "$pid" && ended; }
# RFB: the server's version, ours, then the security types it offers.
security_types() {
  ip netns exec "$ns" timeout 5 bash -c 'exec 3<>/dev/tcp/127.0.0.1/5900 &&
    head -c 12 <&3 >/dev/null && printf "RFB 003.008\n" >&3 && head -c 2 <&3 | od -An -tu1' |
    tr -s ' ' | sed 's/^ //'
}

start
expect listening "a VNC server listens on port 5900"
expect '[ "$(listeners)" = "127.0.0.1:5900 [::1]:5900 " ]' "loopback only, not: $(listeners)"
expect 'grep -q "viewer to 127.0.0.1:5900, password ........$" "$log"' \
  "it shows the address it holds and a password"
expect 'grep -q "ssh -L 5900:127.0.0.1:5900 " "$log"' "and a tunnel to that address"
expect '[ "$(security_types)" = "1 2" ]' "VNC authentication is the one security type"
expect stop "the launch ends when asked"
expect '[ -z "$(listeners)" ] && [ -z "$(ip netns pids "$ns")" ]' "nothing of it outlives it"

start LORVANE_VNC_LISTEN=0.0.0.0
expect listening "a VNC server listens on port 5900"
expect '[ "$(listeners)" = "0.0.0.0:5900 [::1]:5900 " ]' "IPv4's every address, not: $(listeners)"
stop

# Qt compares platform names without regard to case, after any list and
# before any argument.
for platform in vnc VNC Vnc:size=640x480 "xcb;vnc" "OFFSCREEN;vnc"; do
  start QT_QPA_PLATFORM="$platform"
  expect 'ended && [ "$status" -ne 0 ] && [ -z "$(listeners)" ]' \
    "Qt's VNC platform as $platform is refused without LORVANE_VNC_LISTEN"
done
start QT_QPA_PLATFORM=Offscreen:size=640x480
expect '! ended' "a platform that shows nothing beyond this machine is taken in any case"
[ -z "$pid" ] || stop

# Another user's X socket folder, in a /tmp of the launch's own: a server of
# theirs there could stand in for ours.
ip netns exec "$ns" unshare --mount sh -c 'mount -t tmpfs none /tmp && mkdir -m 1777 /tmp/.X11-unix &&
  chown 65534 /tmp/.X11-unix && exec env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@"' sh \
  "$launch" "$window" >"$log" 2>&1 &
pid=$!
expect 'ended && [ "$status" -ne 0 ] && grep -q "X11-unix is not a folder" "$log"' \
  "an X socket folder of another user's stops the launch"
[ -z "$pid" ] || stop

# Another user's listener on either loopback address before the launch: a
# viewer could reach it in place of the server, so the launch stops.
squat() {  # squat ADDRESS FAMILY: nobody listens on ADDRESS:5900
  ip netns exec "$ns" setpriv --reuid=65534 --regid=65534 --clear-groups perl -MSocket=:all -e '
my ($address, $family) = @ARGV;
my $f = $family eq "6" ? AF_INET6 : AF_INET;
socket(my $s, $f, SOCK_STREAM, 0) or die;
my $packed = inet_pton($f, $address);
bind($s, $f == AF_INET6 ? pack_sockaddr_in6(5900, $packed) : pack_sockaddr_in(5900, $packed))
  or die "bind: $!";
listen($s, 5) or die; sleep 60' "$1" "$2" &
  squatter=$!
  within 50 '[ -n "$(listeners)" ]'
  squatted=$(listeners)
}
for taken in "::1 6" "127.0.0.1 4"; do
  squat $taken
  start
  expect 'ended && [ "$status" -ne 0 ] && grep -q "Stopped" "$log"' \
    "a listener of another user on ${taken% *} stops the launch"
  expect '! grep -q "VNC viewer" "$log" && [ "$(listeners)" = "$squatted" ]' \
    "nothing is announced and no server is left: $(listeners)"
  kill "$squatter"; wait "$squatter" 2>/dev/null
done

[ "$failures" -eq 0 ] || { cat "$log"; exit 1; }
