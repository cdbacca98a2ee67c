#!/bin/sh
# polkit_test.sh PRIVATE_MOUNTS ADAPTER_COMMAND PROBE: an ordinary user's registry
# change through the real pkexec, polkitd and adapter command, with a bus, polkit
# actions and rules and /var/lib (the hive's) of the test's own bound over the
# system's in a mount namespace of its own. Skips (77) without root or those programs.
set -eu
if [ "${1:-}" != inside ]; then
  [ "$(id -u)" -eq 0 ] || { echo "needs root; skipped"; exit 77; }
  for program in /usr/bin/pkexec /usr/lib/polkit-1/polkitd /usr/bin/dbus-daemon /usr/bin/setpriv; do
    [ -x "$program" ] || { echo "no $program; skipped"; exit 77; }
  done
  dir=$(mktemp -d)
  trap 'rm -rf "$dir"' EXIT
  trap 'exit 1' HUP INT TERM PIPE
  mkdir -m 0755 "$dir/bus" "$dir/actions" "$dir/rules" "$dir/varlib" "$dir/varlib/lorvane"
  chmod 0755 "$dir"
  sed "s|@LORVANE_ADAPTER@|$2|" "$(dirname "$0")/../../data/net.lorvane.adapter.policy.in" \
    > "$dir/actions/net.lorvane.adapter.policy"
  # nobody is let through without a password; daemon is refused, as a user
  # who dismisses the prompt is.
  cat > "$dir/rules/10-test.rules" <<'RULES'
polkit.addRule(function(action, subject) {
  if (action.id != "net.lorvane.adapter") return polkit.Result.NOT_HANDLED;
  return subject.user == "nobody" ? polkit.Result.YES : polkit.Result.NO;
});
RULES
  cat > "$dir/bus.conf" <<'BUS'
<busconfig><type>system</type><listen>unix:path=/run/dbus/system_bus_socket</listen>
<auth>EXTERNAL</auth><policy context="default"><allow user="*"/><allow own="*"/>
<allow send_destination="*"/><allow receive_sender="*"/></policy></busconfig>
BUS
  "$1" "$dir/bus=/run/dbus" "$dir/actions=/usr/share/polkit-1/actions" \
    "$dir/rules=/etc/polkit-1/rules.d" "$dir/varlib=/var/lib" \
    -- /bin/sh "$0" inside "$dir" "$2" "$3"
  exit $?
fi

# Inside the mount namespace.
dir=$2 adapter=$3 probe=$4
bus="" polkitd=""
stop() {
  [ -z "$polkitd" ] || kill "$polkitd" 2>/dev/null || true
  [ -z "$bus" ] || kill "$bus" 2>/dev/null || true
}
trap stop EXIT
trap "exit 1" HUP INT TERM PIPE
bus=$(dbus-daemon --config-file="$dir/bus.conf" --fork --print-pid)
/usr/lib/polkit-1/polkitd --no-debug >"$dir/polkitd.log" 2>&1 &
polkitd=$!
for _ in $(seq 50); do
  dbus-send --system --print-reply --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.GetNameOwner string:org.freedesktop.PolicyKit1 >/dev/null 2>&1 && break
  sleep 0.1
done
chmod 0755 "$(dirname "$probe")" 2>/dev/null || true

fail=0
check() {  # check WHAT EXPECTED ACTUAL
  if [ "$2" = "$3" ]; then echo "ok: $1"; else echo "FAILED: $1: expected $2, got $3"; fail=1; fi
}
check "root prepares the adapter key" 0 "$("$probe" prepare)"
as() { user=$1; shift; setpriv --reuid="$user" --regid=nogroup --clear-groups -- "$@"; }
check "a refused user gets ERROR_ACCESS_DENIED" 5 "$(as daemon "$probe" set "$adapter" 0A0000000006)"
check "and nothing is stored" "<error 2>" "$("$probe" get)"
check "an authorised user's change is made by the helper" 0 \
  "$(as nobody "$probe" set "$adapter" 020000000005)"
check "and stored as typed" "020000000005" "$("$probe" get | tr -d '\000')"
[ "$fail" -eq 0 ] || { echo "polkitd said:"; cat "$dir/polkitd.log"; }
exit "$fail"
