#!/usr/bin/env bash
# Sets up, builds, puts a demo card where "Open From" finds it (a folder in
# the backup path, the Documents folder unless another was chosen) and starts
# the application.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"
bash scripts/setup.sh
bash scripts/build.sh build
docs="$(xdg-user-dir DOCUMENTS 2>/dev/null || echo "$HOME/Documents")"
demo="$docs/KorveltaDemoCard"
if [ -x build/tools/make-card/make-card ] && [ ! -d "$demo" ]; then
  mkdir -p "$docs"
  build/tools/make-card/make-card --out "$demo" --demo
fi
exec build/src/app/korvelta-replay "$@"
