#!/bin/sh
# A real window under Xvfb: the shell demo shows the VM double's test card; the X
# server's screen is taken while it runs and kept as a PNG in the build tree.
# usage: screenshot.sh <shell demo> <xwd2png> <output png>
set -eu
demo=$1 conv=$2 out=$3
. "$(dirname "$0")/xvfb.sh"
work=$(mktemp -d)
xpid=
trap 'kill $xpid 2>/dev/null || true; rm -rf "$work"' EXIT
xvfb_start "$work"
MOVANE_RUNTIME_DIR="$work/run" SDL_VIDEODRIVER=x11 "$demo" 2500 &
xvfb_take $! "$conv" "$out"
