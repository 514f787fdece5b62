#!/bin/sh
# SIGTERM and SIGINT, as `timeout`, a desktop's log-out or Ctrl-C send them, end the
# program soon and cleanly in every state: idle (no MIDlet), starting, hung in startApp,
# writing its record store. No crash, no failed write, and the writer, reading its
# records back as it goes, never misses an acknowledged write. Each case runs a few
# times with the signal at a random moment.
# usage: signal_cases.sh <Movane_VM> <work folder> <jad> <jar of a MIDlet hung in startApp>
#        <jad> <jar of SignalWriter> [rounds]
set -u
vm=$1 work=$2 hangJad=$3 hangJar=$4 writerJad=$5 writerJar=$6 rounds=${7:-3}
rm -rf "$work"
mkdir -p "$work/run"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy MOVANE_RUNTIME_DIR="$work/run"
# the whole run must end well inside this (tenths of a second); it normally takes one
limit=${SIGNAL_CASES_LIMIT:-150}
failures=0
pid=""
# a program still running when the script ends, whatever way, is killed and reaped
trap 'if [ -n "$pid" ]; then kill -KILL "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; fi' EXIT

fail() {
  echo "case $case: $1"
  [ -f "$log" ] && sed 's/^/    /' "$log" | grep -v '^    acked ' | tail -40
  failures=$((failures + 1))
}

# a random pause below $1 milliseconds
pause() {
  r=$(od -An -N2 -tu2 /dev/urandom | tr -d ' ')
  sleep "$(printf '%d.%03d' $((r % $1 / 1000)) $((r % $1 % 1000)))"
}

ended() {
  state=$(cut -d' ' -f3 "/proc/$pid/stat" 2>/dev/null) || return 0
  [ "$state" = Z ]
}

# waits (deadline $1 tenths) until the log holds $2; 1 if it never did or the program ended
awaitText() {
  i=0
  while [ "$i" -lt "$1" ]; do
    grep -q "$2" "$log" 2>/dev/null && return 0
    ended && return 1
    sleep 0.1
    i=$((i + 1))
  done
  return 1
}

# waits for the program to end within the limit; its status in rc (-1: killed at the limit)
finish() {
  i=0
  while [ "$i" -lt "$limit" ] && ! ended; do
    sleep 0.1
    i=$((i + 1))
  done
  if ! ended; then
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    pid=""
    rc=-1
    return
  fi
  wait "$pid"
  rc=$?
  pid=""
}

# rc: the program's status; a crash is a fault, so is not ending
judge() {
  case "$rc" in
    -1) fail "did not end within $((limit / 10)) s of the signal" ;;
    132 | 134 | 135 | 136 | 139) fail "crashed (status $rc)" ;;
  esac
  if grep -qE "AddressSanitizer|runtime error:|Segmentation|seek failed|writer failed|LOST record" "$log"; then
    fail "the log shows a fault"
  fi
}

run() {
  log="$work/$case.log"
  # a background job of a script starts with SIGINT ignored, which the program keeps:
  # give it the default, as a terminal's Ctrl-C finds it
  MOVANE_DEVICE_ROOT="$work/dev-$case" MOVANE_REGISTRY="$work/$case.registry" \
    env --default-signal=INT "$vm" "$@" >"$log" 2>&1 &
  pid=$!
}

round=1
while [ "$round" -le "$rounds" ]; do
  for sig in TERM INT; do
    # idle: the program without a MIDlet, signalled while it comes up or waits
    case=idle-$sig-$round
    run
    pause 1500
    kill -s "$sig" "$pid"
    finish
    judge

    # starting: the signal comes while the suite is loaded and the MIDlet created
    case=starting-$sig-$round
    run -launch "$writerJad" "$writerJar"
    pause 400
    kill -s "$sig" "$pid"
    finish
    judge

    # hung: startApp never returns
    case=hung-$sig-$round
    run -launch "$hangJad" "$hangJar"
    if awaitText "$limit" "startApp hang"; then
      pause 300
      kill -s "$sig" "$pid"
      finish
      judge
    else
      finish
      fail "the MIDlet did not start"
    fi

    # writing: no write fails and none acknowledged goes missing while the program ends
    case=writing-$sig-$round
    run -launch "$writerJad" "$writerJar"
    if awaitText "$limit" "^acked "; then
      pause 500
      kill -s "$sig" "$pid"
      finish
      judge
    else
      finish
      fail "the writer did not write"
    fi
  done
  round=$((round + 1))
done
exit $failures
