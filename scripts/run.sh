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
# A backup folder holds what a card's MOVE folder holds (the index files and
# the movie folders), so the demo card's MOVE folder becomes the backup.
if [ -x build/tools/make-card/make-card ] && [ ! -f "$demo/VREC_MOV_MNG.DAT" ]; then
  staging="$(mktemp -d)"
  build/tools/make-card/make-card --out "$staging/card" --demo
  mkdir -p "$docs"
  rm -rf "$demo"
  cp -r "$staging/card/MOVE" "$demo"
  rm -rf "$staging"
fi
exec build/src/app/korvelta-replay "$@"
