#!/usr/bin/env bash
# scripts/check-layers.sh passes this checkout's sources, and in a small tree
# finds every kind of include that breaks the layers (and only those).
#   include_layers.sh <source-dir>
set -euo pipefail
src="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

bash "$src/scripts/check-layers.sh" "$src/src" || fail "the sources break the layers (above)"

tree="$scratch/src"
put() { mkdir -p "$(dirname "$tree/$1")"; printf '%s\n' "${@:2}" > "$tree/$1"; }
# Allowed: a feature over the services and itself, the services over core,
# the main window and main.cpp over everything.
put app/map/MapPane.cpp '#include "app/map/MapPane.h"' '#include "app/shell/Alerts.h"' '#include "core/map/Route.h"'
put app/shell/Alerts.cpp '#include "app/shell/Alerts.h"' '#include "core/foundation/Text.h"'
put app/mainwindow/MainWindow.cpp '#include "app/map/MapPane.h"' '#include "app/panels/Panel.h"'
put app/main.cpp '#include "app/mainwindow/MainWindow.h"'
# Broken, one of each kind.
put app/panels/Panel.cpp '#include "app/shell/Alerts.h"' '#include "app/mainwindow/MainWindow.h"'
put app/tools/Trim.h '#  include "app/player/Slider.h"'
put app/backup/Chooser.ui '<customwidget>' '<header>app/catalog/List.h</header>' '</customwidget>'
put app/shell/Modal.cpp '#include "app/settings/Dialog.h"'
put core/catalog/Card.cpp '#include "app/shell/Alerts.h"'

status=0
found="$(bash "$src/scripts/check-layers.sh" "$tree")" || status=$?
[ "$status" -eq 1 ] || fail "a broken tree exits $status, not 1"
expected="app/backup/Chooser.ui:2: includes app/catalog/List.h: features include no other feature
app/panels/Panel.cpp:2: includes app/mainwindow/MainWindow.h: a feature never includes the main window
app/shell/Modal.cpp:1: includes app/settings/Dialog.h: the services include no other folder
app/tools/Trim.h:1: includes app/player/Slider.h: features include no other feature
core/catalog/Card.cpp:1: includes app/shell/Alerts.h: core includes nothing of app"
[ "$(sort <<<"$found")" = "$expected" ] || fail "reported:
$found
expected:
$expected"
echo "ok"
