#!/usr/bin/env bash
# The GUI-thread stall benchmark in one command: configures a build of its
# own (build-bench, so that the test command's build keeps its settings) with
# the benchmarks, builds bench_gui_stalls and runs it under Xvfb (with a
# session bus, as a desktop has), passing its arguments on.
#   bench/run-gui-stalls.sh [--build-dir DIR] [--play-seconds N] [--slow-read-ms N]
#                           [--only local|slow|launch] [--top N] [--launch-rounds N]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
dir="$here/build-bench"
if [[ "${1:-}" == "--build-dir" ]]; then
  dir="$2"
  shift 2
fi
cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKR_BUILD_BENCH=ON >/dev/null
cmake --build "$dir" --target bench_gui_stalls
export QTWEBENGINE_DISABLE_SANDBOX=1 QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu LC_ALL=C.UTF-8
XDG_RUNTIME_DIR="$(mktemp -d)"
export XDG_RUNTIME_DIR
chmod 700 "$XDG_RUNTIME_DIR"
# Settings and the session's files stay out of the user's own.
home="$(mktemp -d)"
trap 'rm -rf "$XDG_RUNTIME_DIR" "$home"' EXIT
bus=()
if command -v dbus-run-session >/dev/null; then bus=(dbus-run-session --); fi
HOME="$home" "${bus[@]}" xvfb-run -a -s "-screen 0 1600x1000x24" "$dir/bench/bench_gui_stalls" "$@"
