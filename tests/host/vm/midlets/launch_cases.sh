#!/bin/sh
# "-launch" as a user types it on a fresh machine: the device folder is made when
# missing, and a suite that cannot start ends the program with the message instead of
# leaving an empty window open.
# A window closed under a running MIDlet (SIGTERM comes as the close button) stops it
# and ends the program.
# usage: launch_cases.sh <Movane_VM> <jad> <jar> <work folder> <jad> <jar of a MIDlet
# that runs until stopped>
set -u
vm=$1 jad=$2 jar=$3 work=$4 longJad=$5 longJar=$6
rm -rf "$work"
mkdir -p "$work/run"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy MOVANE_RUNTIME_DIR="$work/run"
failures=0
# every program started here ends with the script, whatever path it takes
pids=""
trap 'for p in $pids; do kill -KILL "$p" 2>/dev/null; wait "$p" 2>/dev/null; done' EXIT

# name | device root | JAR given | expected exit | text expected on stdout+stderr
check() {
  name=$1 root=$2 jarArg=$3 want=$4 text=$5 jadArg=${6:-$jad}
  out="$work/$name.log"
  MOVANE_DEVICE_ROOT="$root" MOVANE_REGISTRY="$work/$name.registry" \
    timeout -k 5 60 "$vm" -launch "$jadArg" "$jarArg" >"$out" 2>&1
  rc=$?
  if [ "$rc" != "$want" ] || ! grep -qF "$text" "$out"; then
    echo "case $name: exit $rc (expected $want), output should hold \"$text\":"
    cat "$out"
    failures=$((failures + 1))
  fi
}

check fresh_device_root "$work/fresh/a/b/device" "$jar" 0 "greeting: Hello from the descriptor"
[ -d "$work/fresh/a/b/device" ] || { echo "case fresh_device_root: the device folder was not made"; failures=$((failures + 1)); }
check missing_jar "$work/dev" "$work/no-such.jar" 3 "Cannot run MIDlet!"
touch "$work/plain-file"
check device_root_is_a_file "$work/plain-file" "$jar" 1 "cannot make the device folder"

# a suite under a folder with a space and a non-ASCII name
odd="$work/My Games/$(printf 'caf\303\251')"
name=$(printf 'gr\303\274\303\237e')
mkdir -p "$odd"
cp "$jad" "$odd/$name.jad"
cp "$jar" "$odd/$name jar.jar"
check odd_path "$work/dev" "$odd/$name jar.jar" 0 "greeting: Hello from the descriptor" "$odd/$name.jad"

# closed while running: the program must end well before the time-out
MOVANE_DEVICE_ROOT="$work/dev" MOVANE_REGISTRY="$work/closed.registry" \
  timeout -k 5 60 "$vm" -launch "$longJad" "$longJar" >"$work/closed.log" 2>&1 &
pid=$!
pids="$pids $pid"
sleep 2
kill -TERM $pid 2>/dev/null
wait $pid
rc=$?
# 124: the time-out came, 137: its kill after the TERM that was not heeded
if [ "$rc" = 124 ] || [ "$rc" = 137 ]; then
  echo "case closed_while_running: the program did not end after its window was closed"
  cat "$work/closed.log"
  failures=$((failures + 1))
fi
exit $failures
