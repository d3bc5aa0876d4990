#!/usr/bin/env bash
# Configures and builds one build directory.
#   scripts/build.sh <build-dir> [extra cmake arguments...]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
dir="$1"; shift
jobs="$(nproc)"
cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$dir" -j "$jobs"
