#!/bin/sh
# polkit_test.sh PRIVATE_MOUNTS ADAPTER_COMMAND PROBE: ordinary users through the
# real pkexec, polkitd and adapter command, with a bus, polkit actions and rules
# and /var/lib (the hive's) of the test's own bound over the system's in a mount
# namespace of its own, and a network namespace whose veth link lvpk0 is the
# adapter. Skips (77) without root or those programs.
set -eu
if [ "${1:-}" != inside ]; then
  [ "$(id -u)" -eq 0 ] || { echo "needs root; skipped"; exit 77; }
  for program in /usr/bin/pkexec /usr/bin/pkaction /usr/lib/polkit-1/polkitd /usr/bin/dbus-daemon \
      /usr/bin/setpriv /usr/sbin/ip /usr/share/polkit-1/actions/org.freedesktop.policykit.policy; do
    [ -e "$program" ] || { echo "no $program; skipped"; exit 77; }
  done
  dir=$(mktemp -d)
  ns=lvpk-$$
  trap 'ip netns delete "$ns" 2>/dev/null; rm -rf "$dir"' EXIT
  trap 'exit 1' HUP INT TERM PIPE
  ip netns add "$ns" || { echo "cannot make a network namespace; skipped"; exit 77; }
  ip -n "$ns" link add lvpk0 type veth peer name lvpk1
  ip -n "$ns" link set lvpk0 up
  mkdir -m 0755 "$dir/bus" "$dir/actions" "$dir/rules" "$dir/varlib" "$dir/varlib/lorvane"
  chmod 0755 "$dir"
  sed "s|@LORVANE_ADAPTER@|$2|" "$(dirname "$0")/../../data/net.lorvane.adapter.policy.in" \
    > "$dir/actions/net.lorvane.adapter.policy"
  # pkexec's own action, for a command line no action of ours is for.
  cp /usr/share/polkit-1/actions/org.freedesktop.policykit.policy "$dir/actions/"
  # nobody may do both kinds of act, and run anything through pkexec, as an
  # administrator might allow; bin may change the stored address and nothing
  # else; daemon nothing, as a user who dismisses the prompt.
  cat > "$dir/rules/10-test.rules" <<'RULES'
polkit.addRule(function(action, subject) {
  if (subject.user == "nobody") return polkit.Result.YES;
  if (subject.user == "bin" && action.id == "net.lorvane.adapter.address")
    return polkit.Result.YES;
  return polkit.Result.NO;
});
RULES
  cat > "$dir/bus.conf" <<'BUS'
<busconfig><type>system</type><listen>unix:path=/run/dbus/system_bus_socket</listen>
<auth>EXTERNAL</auth><policy context="default"><allow user="*"/><allow own="*"/>
<allow send_destination="*"/><allow receive_sender="*"/></policy></busconfig>
BUS
  ip netns exec "$ns" "$1" "$dir/bus=/run/dbus" "$dir/actions=/usr/share/polkit-1/actions" \
    "$dir/rules=/etc/polkit-1/rules.d" "$dir/varlib=/var/lib" \
    -- /bin/sh "$0" inside "$dir" "$2" "$3"
  exit $?
fi

# Inside the mount and network namespaces.
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
as() { user=$1; shift; setpriv --reuid="$user" --regid=nogroup --clear-groups -- "$@"; }
# pkexec's status for the command run by `user`.
status() { user=$1; shift; as "$user" /usr/bin/pkexec "$adapter" "$@" >/dev/null 2>&1 && echo 0 || echo $?; }
hive() { find /var/lib/lorvane -type f -exec md5sum {} + | sort; }

check "root prepares the adapter key" 0 "$("$probe" prepare lvpk0)"
check "a refused user gets ERROR_ACCESS_DENIED" 5 "$(as daemon "$probe" set "$adapter" 0A0000000006)"
check "and nothing is stored" "<error 2>" "$("$probe" get)"
check "an authorised user's change is made by the helper" 0 \
  "$(as nobody "$probe" set "$adapter" 020000000005)"
check "and stored as typed" "020000000005" "$("$probe" get | tr -d '\000')"

# The test's rules decide for every user here, so what polkit itself asks of
# a user at the machine is read as polkitd loaded it: an administrator's password.
for act in lease address; do
  check "the $act action asks a user at the machine for an administrator" auth_admin \
    "$(pkaction --action-id "net.lorvane.adapter.$act" --verbose |
      sed -n 's/^ *implicit active: *\(auth_admin\).*/\1/p')"
done

# One action per kind of act: the address's does not buy a lease operation.
check "bin may change the address" 0 "$(as bin "$probe" set "$adapter" 020000000007)"
check "but not release a lease" 127 "$(status bin lease release lvpk0)"
check "the address is bin's" "020000000007" "$("$probe" get | tr -d '\000')"

# Through pkexec the helper does the window's acts alone, whatever polkit allows.
before=$(hive)
for mode in add register apply restart; do
  check "pkexec's $mode is refused by the helper" 2 "$(status nobody "$mode" lvpk0)"
done
check "the address act refuses another value" 2 \
  "$(status nobody address set-value 0000 DriverDesc x)"
check "and nothing changed" "$before" "$(hive)"
for act in release renew; do
  got=$(status nobody lease "$act" lvpk0)
  case $got in 2 | 126 | 127) check "the window's lease $act runs" "an act's status" "$got" ;; esac
done
check "the window's address deletion runs" 0 \
  "$(status nobody address delete-value 0000 NetworkAddress)"
check "and the value is gone" "<error 2>" "$("$probe" get)"
[ "$fail" -eq 0 ] || { echo "polkitd said:"; cat "$dir/polkitd.log"; }
exit "$fail"
