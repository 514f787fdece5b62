#!/bin/sh
# Movane_VM in a real window under Xvfb: a suite runs for a while, the X server's screen
# is taken meanwhile and kept as a PNG in the build tree.
# usage: screenshot.sh <Movane_VM> <xwd2png> <jad> <jar> <output png>
set -eu
vm=$1 conv=$2 jad=$3 jar=$4 out=$5
work=$(mktemp -d)
trap 'kill $xpid 2>/dev/null || true; rm -rf "$work"' EXIT
# the server takes a free display number itself and writes it once it is ready: two
# scripts run at once never pick the same one
Xvfb -displayfd 3 -screen 0 640x720x24 -fbdir "$work" -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xpid=$!
i=0
while ! grep -q '^[0-9]' "$work/display" 2>/dev/null; do
  i=$((i + 1)); [ $i -gt 100 ] && { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
  sleep 0.1
done
n=$(head -n 1 "$work/display")
mkdir -p "$work/device"
echo "2500 pen press 10 10" >"$work/input"
echo "2550 pen release 10 10" >>"$work/input"
DISPLAY=:$n SDL_VIDEODRIVER=x11 MOVANE_RUNTIME_DIR="$work/run" MOVANE_DEVICE_ROOT="$work/device" \
  MOVANE_REGISTRY="$work/registry" MOVANE_INPUT="$work/input" "$vm" -launch "$jad" "$jar" >"$work/out.txt" &
vpid=$!
# The first frame may take a while (longer under an emulator): the screen is taken while
# the program runs until something is on it, then once more a little later.
shown=no
while kill -0 $vpid 2>/dev/null; do
  sleep 0.3
  cp "$work/Xvfb_screen0" "$work/screen.xwd"
  if "$conv" "$work/screen.xwd" "$out"; then
    shown=yes
    sleep 0.6
    cp "$work/Xvfb_screen0" "$work/later.xwd"
    "$conv" "$work/later.xwd" "$work/later.png" && cp "$work/later.png" "$out"
    break
  fi
done
wait $vpid
[ $shown = yes ] || { echo "the window showed nothing while the program ran"; exit 1; }
echo "screenshot: $out"
