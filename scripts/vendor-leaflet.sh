#!/usr/bin/env bash
# Refreshes the map page's copy of Leaflet from the npm registry at the
# pinned version (the files are committed: builds and CI need no npm).
set -euo pipefail
VERSION=1.9.4
here="$(cd "$(dirname "$0")/.." && pwd)"
dest="$here/resources/map/leaflet"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack --silent "leaflet@$VERSION" >/dev/null && tar xzf "leaflet-$VERSION.tgz")
mkdir -p "$dest/images"
cp "$work/package/dist/leaflet.js" "$work/package/dist/leaflet.css" "$dest/"
cp "$work/package/dist/images/layers.png" "$work/package/dist/images/layers-2x.png" "$dest/images/"
cp "$work/package/LICENSE" "$dest/LICENSE"
echo "leaflet $VERSION (npm pack leaflet@$VERSION)" > "$dest/VERSION"
echo "vendor-leaflet: Leaflet $VERSION copied to $dest"
