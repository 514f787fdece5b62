#!/bin/sh
# "-tckauto" where no test client exists: the program says so and ends with the status of
# a start that could not be made, well before the time-out (it used to wait for ever).
# usage: tckauto.sh <Movane_VM> <work folder>
set -u
vm=$1 work=$2
rm -rf "$work"
mkdir -p "$work/run"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy MOVANE_RUNTIME_DIR="$work/run"
export MOVANE_DEVICE_ROOT="$work/device" MOVANE_REGISTRY="$work/registry"
# timeout kills and reaps the program if it hangs
timeout -k 5 30 "$vm" -tckauto http://127.0.0.1:9/tests >"$work/out.log" 2>&1
rc=$?
if [ "$rc" != 3 ] || ! grep -qF "the test run could not be started (no test client)" "$work/out.log"; then
  echo "exit $rc (expected 3; 124 is the time-out), output:"
  cat "$work/out.log"
  exit 1
fi
exit 0
