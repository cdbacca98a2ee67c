#!/bin/sh
# postrm_test.sh PRIVATE_MOUNTS POSTRM: the package's postrm with a /var/lib of
# the test's own: removing keeps the registry, purging takes it away. Skips
# (77) without root.
set -u
[ "$(id -u)" -eq 0 ] || { echo "needs root to bind a folder over /var/lib; skipped"; exit 77; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/lorvane" "$dir/other"
: >"$dir/lorvane/hklm.hive"
run() { "$1" "$dir=/var/lib" -- /bin/sh "$2" "$3"; }
fail=0
run "$1" "$2" remove && [ -e "$dir/lorvane/hklm.hive" ] || { echo "FAILED: remove kept it"; fail=1; }
run "$1" "$2" upgrade && [ -e "$dir/lorvane/hklm.hive" ] || { echo "FAILED: upgrade kept it"; fail=1; }
run "$1" "$2" purge && [ ! -e "$dir/lorvane" ] && [ -d "$dir/other" ] ||
  { echo "FAILED: purge removed the registry alone"; fail=1; }
exit "$fail"
