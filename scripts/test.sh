#!/usr/bin/env bash
# Builds and runs the whole test suite: the normal build, then the
# AddressSanitizer + UndefinedBehaviorSanitizer build.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

scripts/install-deps.sh
jobs="$(nproc)"
status=0
for preset in release asan; do
    echo "== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -- -j"$jobs" | grep -E "warning|error" || true
    ctest --preset "$preset" -j"$jobs" || status=1
done
exit "$status"
