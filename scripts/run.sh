#!/usr/bin/env bash
# Builds Veltrana, lays out a program folder with the demo class and starts the window there.
# Without a display the window runs under Xvfb and a screenshot is saved instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/release"
program_dir="$root/dist/veltrana"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target veltrana veltrana-mkdb

mkdir -p "$program_dir/Data"
cp "$build/src/app/veltrana" "$program_dir/veltrana"
# A teacher's own database in the folder is never replaced.
if [ ! -f "$program_dir/DataBases.mdb" ]; then
    "$build/src/mkdb/veltrana-mkdb" --class 理科 --roster "$root/examples/science-class/名单.csv" \
        "$program_dir/DataBases.mdb"
fi
echo "Program folder: $program_dir"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$program_dir/veltrana"
fi
echo "No display: running the window under Xvfb for a screenshot."
"$root/scripts/screenshot.sh" "$program_dir" "$root/dist/veltrana-window.png"
