#!/usr/bin/env bash
# Installs what is missing, builds, prepares the data folder and runs the plug-in in the
# project's own test host. Extra arguments go to the test host.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j "$(nproc)"
if [ -x scripts/init-data-folder.sh ]; then
  ./scripts/init-data-folder.sh
fi
exec build/tools/vsthost/vsthost "build/Korvid Editor/Korvid Editor.so" "$@"
