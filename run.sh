#!/usr/bin/env bash
# Builds Ferrowax and starts it.
set -euo pipefail
cd "$(dirname "$0")"
source tools/packages.sh
ensure_packages "${BUILD_PACKAGES[@]}"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Only the program and the files beside it; ./test.sh builds the rest.
cmake --build build --target ferrowax ferrowax_program_files

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "There is no display to show the Ferrowax window on." >&2
    echo "To run it without one, start it in a virtual display:" >&2
    echo "    xvfb-run -a ./build/src/ferrowax" >&2
    exit 1
fi
exec ./build/src/ferrowax "$@"
