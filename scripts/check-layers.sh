#!/usr/bin/env bash
# Checks the layers of the includes under src/ (README, Layout):
#   - core includes nothing of app;
#   - app/shell, the window services, includes no other folder of app;
#   - a feature folder of app (any other folder but mainwindow) includes
#     app/shell and itself only: never app/mainwindow, never another feature;
#   - app/mainwindow, on top, and main.cpp may include any of them.
# Custom widgets named in .ui files count as includes.
#   scripts/check-layers.sh [src-dir]      (default: this checkout's src)
# Prints every include that breaks a rule; exits 1 when there is one.
set -euo pipefail
src="${1:-$(cd "$(dirname "$0")/.." && pwd)/src}"
[ -d "$src/app" ] || { echo "no app folder under $src" >&2; exit 2; }

{ grep -rsnoE --include='*.h' --include='*.cpp' --include='*.ui' \
       '(#[[:space:]]*include[[:space:]]*"|<header>)app/[^"<]+' "$src/app" "$src/core" || true; } |
  awk -v src="$src/" '
    {
      # file:line:match
      split($0, part, ":")
      file = substr(part[1], length(src) + 1)
      included = part[3]; for (i = 4; i <= length(part); ++i) included = included ":" part[i]
      sub(/^.*(include[[:space:]]*"|<header>)/, "", included)
      n = split(file, from, "/"); split(included, to, "/")
      lib = from[1]; folder = (n > 2) ? from[2] : ""; target = to[2]
      why = ""
      if (lib == "core") why = "core includes nothing of app"
      else if (folder == "shell" && target != "shell") why = "the services include no other folder"
      else if (folder != "" && folder != "shell" && folder != "mainwindow" && target != "shell" && target != folder)
        why = (target == "mainwindow") ? "a feature never includes the main window" : "features include no other feature"
      if (why != "") { printf "%s:%s: includes %s: %s\n", file, part[2], included, why; broken = 1 }
    }
    END { exit broken }'
