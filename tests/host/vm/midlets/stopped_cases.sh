#!/bin/sh
# A stop in any state ends the run within the life-cycle watchdog's time: a MIDlet whose
# startApp never returns is stopped by SIGTERM (the close of its window) and the program
# ends with it.
# usage: stopped_cases.sh <Movane_VM> <work folder> <jad> <jar of a MIDlet that hangs in startApp>
set -u
vm=$1 work=$2 jad=$3 jar=$4
rm -rf "$work"
mkdir -p "$work/run"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy MOVANE_RUNTIME_DIR="$work/run"
failures=0
pid=""
# the program ends with the script, whatever path it takes
trap '[ -n "$pid" ] && { kill -KILL "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; }' EXIT

# waits up to $2 tenths of a second for the text $1 in the log $3
awaitText() {
  n=0
  while ! grep -qF "$1" "$3" 2>/dev/null; do
    n=$((n + 1))
    [ $n -gt "$2" ] && return 1
    sleep 0.1
  done
}

# waits up to $1 tenths of a second for $pid to end; its status in rc
awaitEnd() {
  n=0
  while kill -0 "$pid" 2>/dev/null; do
    n=$((n + 1))
    [ $n -gt "$1" ] && return 1
    sleep 0.1
  done
  wait "$pid"
  rc=$?
  pid=""
}

log="$work/hang.log"
MOVANE_DEVICE_ROOT="$work/dev" MOVANE_REGISTRY="$work/hang.registry" "$vm" -launch "$jad" "$jar" >"$log" 2>&1 &
pid=$!
if ! awaitText "startApp hang" 300 "$log"; then
  echo "case hang_in_startApp: the MIDlet did not start"
  failures=$((failures + 1))
else
  kill -TERM "$pid"
  # the destroy watchdog (3 s) and the forced stop, with room for a slow machine
  if ! awaitEnd 150; then
    echo "case hang_in_startApp: the program did not end within 15 s of SIGTERM"
    failures=$((failures + 1))
  fi
fi
[ $failures -gt 0 ] && cat "$log"
exit $failures
