# Shell functions of the screenshot scripts, sourced by them (sh).
#   xvfb_start <work folder>: starts Xvfb keeping its screen file in the folder; sets
#     DISPLAY and xpid (the caller's exit trap kills it).
#   xvfb_take <pid> <xwd2png> <output png>: takes the screen while the program runs until
#     something is on it (the first frame may take a while on a busy machine),
#     then once more a little later; waits for the program; fails when nothing was shown.

xvfb_start() {
  # the server takes a free display number itself and writes it once it is ready: two
  # scripts run at once never pick the same one
  xvfb_work=$1
  Xvfb -displayfd 3 -screen 0 640x720x24 -fbdir "$1" -nolisten tcp 3>"$1/display" >"$1/xvfb.log" 2>&1 &
  xpid=$!
  i=0
  while ! grep -q '^[0-9]' "$1/display" 2>/dev/null; do
    i=$((i + 1)); [ $i -gt 100 ] && { echo "Xvfb did not start"; cat "$1/xvfb.log"; exit 1; }
    sleep 0.1
  done
  DISPLAY=:$(head -n 1 "$1/display")
  export DISPLAY
}

xvfb_take() {
  shown=no
  while kill -0 "$1" 2>/dev/null; do
    sleep 0.3
    cp "$xvfb_work/Xvfb_screen0" "$xvfb_work/screen.xwd"
    if "$2" "$xvfb_work/screen.xwd" "$3"; then
      shown=yes
      sleep 0.6
      cp "$xvfb_work/Xvfb_screen0" "$xvfb_work/later.xwd"
      "$2" "$xvfb_work/later.xwd" "$xvfb_work/later.png" && cp "$xvfb_work/later.png" "$3"
      break
    fi
  done
  wait "$1"
  [ $shown = yes ] || { echo "the window showed nothing while the program ran"; exit 1; }
  echo "screenshot: $3"
}
