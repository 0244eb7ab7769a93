#!/usr/bin/env bash
# Installs what is missing, builds, prepares the data folder and opens the plug-in's editor in the
# project's own test host: in a window on your display, or under Xvfb (saving build/editor.png) when
# there is no display. Extra arguments go to the test host (see tools/vsthost).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j "$(nproc)"
./scripts/init-data-folder.sh

host=build/tools/vsthost/vsthost
plugin="build/Korvid Editor/Korvid Editor.so"
if [ -n "${DISPLAY:-}" ]; then
  # The editor stays open until its window is closed.
  exec "$host" "$plugin" --editor "$@"
fi
echo "No display: running the editor under Xvfb for 5 seconds; its picture goes to build/editor.png"
exec xvfb-run -a -s "-screen 0 1920x1080x24" "$host" "$plugin" --editor --seconds 5 --screenshot build/editor.png "$@"
