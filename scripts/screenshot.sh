#!/usr/bin/env bash
# Starts the program of PROGRAM_DIR, opens its tree down to the first knowledge point, clicks it
# and saves a picture of the window to OUT.png. Without a display it runs on its own Xvfb of the
# size SCREEN (1280x800 unless set); QT_SCALE_FACTOR scales the window as Windows' display
# setting does. Everything it starts is stopped when it ends.
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 PROGRAM_DIR OUT.png" >&2
    exit 2
fi
program_dir=$(cd "$1" && pwd)
out=$2
caption='^Veltrana\(1\.0\.0\)$'

started=()
cleanup() {
    for pid in "${started[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
    # Xvfb picks a free display and writes its number to the pipe.
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 "${SCREEN:-1280x800}x24" -dpi 96 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    started+=($!)
    read -r -t 20 number <"$fifo"
    rm -f "$fifo"
    export DISPLAY=":$number"
fi

QT_QPA_PLATFORM=xcb "$program_dir/veltrana" >/dev/null 2>&1 &
started+=($!)

window=
for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name "$caption" 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
    sleep 0.2
done
if [ -z "$window" ]; then
    echo "no window captioned Veltrana(1.0.0) appeared" >&2
    exit 1
fi
sleep 0.5

# The tree has the focus: the keys open the root, the first student and the first course, and
# stop on the first knowledge point, the fourth row. A mouse click on that row is the node click
# (moving with the keys is not). Rows are 22 pixels high at scale 1: the 20-pixel node pictures
# and a margin, scaled by the display setting alone. The rest of the layout is scaled by the
# window's own width against its 1158 pixels, which also counts a window shrunk to fit the
# screen. Then the first listed file, if any, is clicked for its preview.
xdotool key --window "$window" --delay 150 Down Right Down Right Down Right Down 2>/dev/null
eval "$(xdotool getwindowgeometry --shell "$window")"
at() { awk -v k="$WIDTH" -v s="${QT_SCALE_FACTOR:-1}" "BEGIN { k /= 1158; printf \"%d\", $1 }"; }
client_top=$((HEIGHT - $(at '571 * k + 0.5')))
xdotool mousemove --window "$window" "$(at '120 * k')" \
    $((client_top + $(at '9 * k + 22 * s * 3.5'))) click 1 2>/dev/null
sleep 0.3
xdotool mousemove --window "$window" "$(at '600 * k')" $((client_top + $(at '57 * k'))) \
    click 1 2>/dev/null
sleep 0.5

import -window "$window" "$out"
echo "$out"
