#!/bin/sh
# Retakes the README's picture of the results window's null-distribution tab from the real
# program: opens examples/dune.txt, runs the analysis, shows the tab, captures the window.
# Needs Xvfb, xdotool and ImageMagick's import. Usage: help/screenshot.sh [BUILD_DIR] [DISPLAY]
set -eu
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
display=${2:-:97}
out="$repo/help/images/null-distribution-tab.png"

Xvfb "$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
kelpo=
trap 'kill $kelpo $xvfb 2>/dev/null || true' EXIT
export DISPLAY="$display"
sleep 1

# The program looks for its help beside itself; start it where it was built.
cd "$build/app"
./kelpo >/dev/null 2>&1 &
kelpo=$!
# No window manager gives focus here: each window is focused by hand.
main=$(xdotool search --sync --onlyvisible --name '^Kelpo$' | head -n 1)
sleep 1
xdotool windowfocus --sync "$main"
xdotool key ctrl+o
dialog=$(xdotool search --sync --onlyvisible --name '^Open$' | head -n 1)
xdotool windowfocus --sync "$dialog"
sleep 0.5
xdotool type --delay 10 "$repo/examples/dune.txt"
xdotool key Return
sleep 2
xdotool windowfocus --sync "$main"
# Analysis menu: Run, the item above Species Pairs.
xdotool key alt+a Up Up Return
window=$(xdotool search --sync --onlyvisible --name '^Kelpo Results$' | head -n 1)
xdotool windowfocus --sync "$window"
sleep 1
xdotool key ctrl+Tab
sleep 1
import -window "$window" "$out"
echo "Wrote $out"
