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
# The picture size the demo card was made at is noted in the user's cache,
# never in the backup folder: deleting the demo backup removes all of it.
marker="${XDG_CACHE_HOME:-$HOME/.cache}/KorveltaReplay/demo-card"
# A backup folder holds what a card's MOVE folder holds (the index files and
# the movie folders), so the demo card's MOVE folder becomes the backup. A
# demo card of another picture size (an older one) is made again.
if [ ! -f "$demo/VREC_MOV_MNG.DAT" ] || [ "$(cat "$marker" 2>/dev/null)" != "$size $demo" ]; then
  staging="$(mktemp -d)"
  trap 'rm -rf "$staging"' EXIT
  "$build/tools/make-card/make-card" --out "$staging/card" --demo --size "$size" >/dev/null
  rm -rf "$demo"
  cp -r "$staging/card/MOVE" "$demo"
  mkdir -p "$(dirname "$marker")"
  echo "$size $demo" >"$marker"
fi
echo "demo card: $demo"
