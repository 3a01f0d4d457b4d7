# Sourced by the window benchmarks: starts Xvfb on a free display number with a 1920 x 1600
# screen, sets $display and stops the server by its pid when the script ends.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1920x1600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT INT TERM
sleep 1
