#!/usr/bin/env bash
# Installs what is missing, builds the program and the TNC simulator, and starts the program. CMake
# configures only for a new build folder or changed presets; after that the build itself re-runs it
# when a CMakeLists.txt changes.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh
build=build/default
if [ ! -f "$build/build.ninja" ] || [ CMakePresets.json -nt "$build/CMakeCache.txt" ]; then
  cmake --preset default >/dev/null
fi
cmake --build --preset default -j "$(nproc)" --target quarn tncsim_cli
exec "$build/bin/quarn" "$@"
