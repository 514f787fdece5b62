#!/bin/sh
# A real window under Xvfb: the shell demo shows the VM double's test card; the X
# server's screen is taken while it runs and kept as a PNG in the build tree.
# usage: screenshot.sh <shell demo> <xwd2png> <output png>
set -eu
demo=$1 conv=$2 out=$3
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
export MOVANE_RUNTIME_DIR="$work/run"
DISPLAY=:$n SDL_VIDEODRIVER=x11 "$demo" 2500 &
dpid=$!
# The first frame may take a while (longer under an emulator): the screen is taken while
# the program runs until something is on it, then once more a little later.
shown=no
while kill -0 $dpid 2>/dev/null; do
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
wait $dpid
[ $shown = yes ] || { echo "the window showed nothing while the program ran"; exit 1; }
echo "screenshot: $out"
