#!/usr/bin/env bash
# Puts the demo card where the application's "Open From" -> "Backup Folder"
# finds it: a folder KorveltaDemoCard in the backup path. The application
# itself names that folder (the chosen backup folder, else the Documents
# folder, made when missing), so the two always agree.
# Its movies are 1920x1080, as the recorder records them; KR_DEMO_CARD_SIZE
# (WxH) asks for another picture size.
#   scripts/demo-card.sh <build-dir>
set -euo pipefail
build="$1"
if [ ! -x "$build/tools/inspect-card/inspect-card" ] || [ ! -x "$build/tools/make-card/make-card" ]; then
  echo "demo card: the card tools are not built in $build; no demo card placed"
  exit 0
fi
backup="$("$build/tools/inspect-card/inspect-card" --backup-folder)"
demo="$backup/KorveltaDemoCard"
size="${KR_DEMO_CARD_SIZE:-1920x1080}"
# A backup folder holds what a card's MOVE folder holds (the index files and
# the movie folders), so the demo card's MOVE folder becomes the backup. A
# demo card of another picture size (an older one) is made again.
if [ ! -f "$demo/VREC_MOV_MNG.DAT" ] || [ "$(cat "$demo/.demo-size" 2>/dev/null)" != "$size" ]; then
  staging="$(mktemp -d)"
  trap 'rm -rf "$staging"' EXIT
  "$build/tools/make-card/make-card" --out "$staging/card" --demo --size "$size" >/dev/null
  echo "$size" >"$staging/card/MOVE/.demo-size"
  rm -rf "$demo"
  cp -r "$staging/card/MOVE" "$demo"
fi
echo "demo card: $demo"
