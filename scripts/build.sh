#!/usr/bin/env bash
# Configures and builds one build directory (only the targets named in
# BUILD_TARGETS, space-separated, when it is set).
#   scripts/build.sh <build-dir> [extra cmake arguments...]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
dir="$1"; shift
jobs="$(nproc)"
cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
targets=()
if [ -n "${BUILD_TARGETS:-}" ]; then read -r -a names <<< "$BUILD_TARGETS"; targets=(--target "${names[@]}"); fi
cmake --build "$dir" -j "$jobs" "${targets[@]}"
