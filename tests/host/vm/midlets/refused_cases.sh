#!/bin/sh
# Launches that cannot run end at once with a clear refusal on standard error and exit
# status 3: a MIDlet-n naming a class that is not a MIDlet, MIDlet-1 without a class,
# MIDlet-1 naming the selector, "-launch" with the JAR alone, a FIFO given as the JAD,
# a JAR whose MIDlet class entry is damaged.
# usage: refused_cases.sh <Movane_VM> <work folder> <jad> <jar> (a sound suite; the cases
# change its descriptor)
set -u
vm=$1 work=$2 jad=$3 jar=$4
rm -rf "$work"
mkdir -p "$work/run"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy MOVANE_RUNTIME_DIR="$work/run" MOVANE_DEVICE_ROOT="$work/dev"
failures=0
pid=""
trap '[ -n "$pid" ] && { kill -KILL "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; }' EXIT

# runs Movane_VM with the arguments after the first two; it must end within 30 s with
# status $2 and standard error holding $1's text
expect() {
  name=$1 text=$2 want=$3
  shift 3
  log="$work/$name.err"
  MOVANE_REGISTRY="$work/$name.registry" "$vm" "$@" >"$work/$name.out" 2>"$log" &
  pid=$!
  n=0
  while kill -0 "$pid" 2>/dev/null && [ $n -le 300 ]; do
    n=$((n + 1))
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid"
    wait "$pid" 2>/dev/null
    pid=""
    echo "case $name: the program did not end within 30 s"
    cat "$log"
    failures=$((failures + 1))
    return
  fi
  wait "$pid"
  rc=$?
  pid=""
  if [ "$rc" != "$want" ] || ! grep -qF -- "$text" "$log"; then
    echo "case $name: exit $rc (expected $want), standard error should hold \"$text\":"
    cat "$log"
    failures=$((failures + 1))
  fi
}

# the suite's descriptor with its MIDlet-1 line replaced
descriptor() {
  grep -v '^MIDlet-1:' "$jad" >"$work/$1.jad"
  printf '%s\n' "$2" >>"$work/$1.jad"
}

descriptor object 'MIDlet-1: Plain, , java.lang.Object'
expect not_a_midlet_object "the MIDlet java.lang.Object could not be started: it is not a MIDlet" 3 \
  -launch "$work/object.jad" "$jar"
descriptor string 'MIDlet-1: Text, , java.lang.String'
expect not_a_midlet_string "the MIDlet java.lang.String could not be started: it is not a MIDlet" 3 \
  -launch "$work/string.jad" "$jar"
descriptor name_only 'MIDlet-1: hello'
expect midlet_1_name_only "is refused (-4): line" 3 -launch "$work/name_only.jad" "$jar"
expect midlet_1_name_only_says_what "\"MIDlet-1\": it is not \"name, icon, class\"" 3 \
  -launch "$work/name_only.jad" "$jar"
descriptor two 'MIDlet-1: hello, Hello'
expect midlet_1_two_parts "\"MIDlet-1\": it is not \"name, icon, class\"" 3 -launch "$work/two.jad" "$jar"
descriptor no_class 'MIDlet-1: hello, icon.png, '
expect midlet_1_no_class "\"MIDlet-1\": it names no class" 3 -launch "$work/no_class.jad" "$jar"
descriptor no_name 'MIDlet-1:  , , Greeting'
expect midlet_1_no_name "\"MIDlet-1\": the MIDlet's name is empty" 3 -launch "$work/no_name.jad" "$jar"
descriptor selector 'MIDlet-1: x, , javax.microedition.midlet.MidletSelector'
expect names_the_selector "the suite names the selector as its MIDlet" 3 -launch "$work/selector.jad" "$jar"
expect jar_alone "-launch needs a JAD and a JAR" 3 -launch "$jar"
mkfifo "$work/fifo.jad"
expect fifo_as_jad "is not a regular file" 3 -launch "$work/fifo.jad" "$jar"
expect missing_jad "cannot read the JAD $work/none.jad: No such file or directory" 3 -launch "$work/none.jad" "$jar"

# the suite's JAR with the first data byte of its MIDlet class's entry inverted: size
# and manifest unchanged, so only the class loader meets the damage
class=$(sed -n 's/^MIDlet-1: *[^,]*, *[^,]*, *//p' "$jad" | tr -d '\r')
entry=$(echo "$class" | tr . /)
cp "$jar" "$work/damaged.jar"
byte_at() { od -An -tu1 -j "$1" -N1 "$work/damaged.jar" | tr -d ' '; }
at=$(grep -obaF "$entry.class" "$work/damaged.jar" | head -n 1 | cut -d: -f1)
if [ -z "$at" ]; then
  echo "case damaged_class_entry: no entry $entry.class in $jar"
  failures=$((failures + 1))
else
  header=$((at - 30))
  data=$((header + 30 + $(byte_at $((header + 26))) + 256 * $(byte_at $((header + 27))) +
    $(byte_at $((header + 28))) + 256 * $(byte_at $((header + 29)))))
  printf "\\$(printf %o $(($(byte_at $data) ^ 255)))" |
    dd of="$work/damaged.jar" bs=1 seek=$data conv=notrunc 2>/dev/null
  expect damaged_class_entry "the MIDlet $class could not be started: java.lang.ClassNotFoundException: \
$entry: the JAR is damaged ($entry.class: " 3 -launch "$jad" "$work/damaged.jar"
fi
exit $failures
