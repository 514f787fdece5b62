#!/bin/sh
# Movane_VM in a real window under Xvfb: a suite runs for a while, the X server's screen
# is taken meanwhile and kept as a PNG in the build tree.
# usage: screenshot.sh <Movane_VM> <xwd2png> <jad> <jar> <output png>
set -eu
vm=$1 conv=$2 jad=$3 jar=$4 out=$5
. "$(dirname "$0")/../shell/xvfb.sh"
work=$(mktemp -d)
xpid=
trap 'kill $xpid 2>/dev/null || true; rm -rf "$work"' EXIT
xvfb_start "$work"
mkdir -p "$work/device"
echo "2500 pen press 10 10" >"$work/input"
echo "2550 pen release 10 10" >>"$work/input"
SDL_VIDEODRIVER=x11 MOVANE_RUNTIME_DIR="$work/run" MOVANE_DEVICE_ROOT="$work/device" \
  MOVANE_REGISTRY="$work/registry" MOVANE_INPUT="$work/input" "$vm" -launch "$jad" "$jar" >"$work/out.txt" &
xvfb_take $! "$conv" "$out"
