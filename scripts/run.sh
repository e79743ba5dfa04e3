#!/usr/bin/env bash
# Builds the manager and runs it on the emulated card.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j "$(nproc)" --target krvl-script $( [ -f desktop/CMakeLists.txt ] && echo korvalin )
if [ -x build/desktop/korvalin ]; then
  # On the given display, or on a virtual one with a tray host when there is none.
  exec bash desktop/run-desktop.sh build/desktop/korvalin "$@"
elif [ -x build/harness/krvl-script ]; then
  echo "No desktop host or display: running the start-up headless on the emulated card." >&2
  script=$(mktemp)
  printf 'start\ntray dblclick\nwindows\nexit\n' > "$script"
  exec build/harness/krvl-script "$@" "$script"
else
  echo "The manager itself is not built yet; the system layer and its tests are." >&2
  echo "Run scripts/test.sh to build and test what exists." >&2
fi
