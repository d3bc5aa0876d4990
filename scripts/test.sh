#!/usr/bin/env bash
# Sets up, builds and runs every test: once in a normal build and once with
# AddressSanitizer and UndefinedBehaviorSanitizer, then the fuzz targets
# (scripts/fuzz.sh). Ends non-zero on any failure.
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"

bash scripts/setup.sh || { echo "test: setup failed"; exit 1; }

export QTWEBENGINE_DISABLE_SANDBOX=1
export QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu"
export XDG_RUNTIME_DIR="$(mktemp -d)"; chmod 700 "$XDG_RUNTIME_DIR"
export LC_ALL=C.UTF-8
jobs="$(nproc)"
failed=()

run_suite() {  # name build-dir [cmake args...]
  local name="$1" dir="$2"; shift 2
  echo "=== $name: build"
  if ! bash scripts/build.sh "$dir" "$@"; then
    failed+=("$name (build)"); return
  fi
  echo "=== $name: test"
  if ! xvfb-run -a -s "-screen 0 1280x1024x24" \
        ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 600; then
    failed+=("$name (tests)")
  fi
}

run_suite "normal" build
ASAN_OPTIONS="detect_leaks=0:abort_on_error=1" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
  run_suite "asan+ubsan" build-asan -DKR_SANITIZE=address,undefined

echo "=== fuzz"
if ! bash scripts/fuzz.sh build-fuzz; then
  failed+=("fuzz")
fi

if [ ${#failed[@]} -ne 0 ]; then
  echo "test: FAILED: ${failed[*]}"
  exit 1
fi
echo "test: all suites passed"
