#!/bin/sh
# Runs check_vm_globals.sh on the probe library: it must fail, name every stray symbol
# and none of the accepted ones.
# Usage: check_vm_globals_selftest.sh libmovane_vm_globals_probe.a
set -u
here=$(dirname "$0")
out=$(sh "$here/check_vm_globals.sh" "$1" 2>&1)
rc=$?
echo "$out"
if [ $rc -ne 1 ]; then
    echo "selftest: the check answered $rc, expected 1" >&2
    exit 1
fi
status=0
for name in probeStrayBss probeStrayData probeStrayNames probeHiddenCount \
            "guard variable for probeGuarded" _ZZ12probeGuardedPKcE9probeOnce; do
    if ! printf '%s\n' "$out" | grep -q "$name"; then
        echo "selftest: not reported: $name" >&2
        status=1
    fi
done
for name in probeAccepted probeReadOnly; do
    if printf '%s\n' "$out" | grep -q "$name"; then
        echo "selftest: wrongly reported: $name" >&2
        status=1
    fi
done
exit $status
