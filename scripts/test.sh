#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
#   scripts/test.sh            Release build, warnings as errors
#   scripts/test.sh asan       Debug build with AddressSanitizer and UBSan
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"

bash scripts/install-deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
ctest --preset "$preset" -j "$(nproc)"
