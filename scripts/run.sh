#!/usr/bin/env bash
# Sets up, builds, puts a demo card where "Open From" finds it (a folder in
# the backup path, the Documents folder unless another was chosen) and starts
# the application.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"
bash scripts/setup.sh
bash scripts/build.sh build
bash scripts/demo-card.sh build
exec build/src/app/korvelta-replay "$@"
