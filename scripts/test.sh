#!/usr/bin/env bash
# Sets up, builds and runs every test: once in a normal build and once with
# AddressSanitizer and UndefinedBehaviorSanitizer, the threaded tests of the
# catalogue and of the application's background paths once more with
# ThreadSanitizer, then the fuzz targets
# (scripts/fuzz.sh). Ends non-zero on any failure.
# KR_TEST_DISCARD_BUILDS=1 (set by CI) removes each build directory once its
# suite has run, so that the disk holds one build at a time.
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
  local filter=()
  if [ -n "${SUITE_FILTER:-}" ]; then filter=(-R "$SUITE_FILTER"); fi
  echo "=== $name: build"
  if ! bash scripts/build.sh "$dir" "$@"; then
    failed+=("$name (build)"); discard_build "$dir"; return
  fi
  echo "=== $name: test"
  if ! xvfb-run -a -s "-screen 0 1280x1024x24" \
        ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 600 "${filter[@]}"; then
    failed+=("$name (tests)")
  fi
  discard_build "$dir"
}

discard_build() {
  if [ "${KR_TEST_DISCARD_BUILDS:-0}" = 1 ]; then rm -rf "$1"; fi
}

run_suite "normal" build
# The map page's tests (Chromium in Qt WebEngine) run here with AddressSanitizer's
# new-delete-type-mismatch check off: Chromium trips it itself (tests/app/CMakeLists.txt).
ASAN_OPTIONS="detect_leaks=0:abort_on_error=1" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
  run_suite "asan+ubsan" build-asan -DKR_SANITIZE=address,undefined
# The catalogue's workers, load and GUI thread share chapters: race-check them,
# with the readers' and the load's tests that run on several threads at once,
# and the application's own background paths: the chapter loads of the player
# and of a play (tst_movieplayerview, tst_playroad, tst_openroad), the list's
# thumbnails (tst_videolistview), the still capture (tst_tools), the quit's
# release of the picture data (tst_menucommands), the settings store's
# writer thread (SettingsStoreFile, and under every test here) and the map's
# event-route read (MapRouteSeveralThreads, in core: the map's own tests load Chromium,
# whose threads do not run cleanly under the sanitizer, and neither do
# libmpv's in the tests of the real player). The backup and clean-up
# dialogs' tests are left out: their jobs report progress through queued
# lambdas, which Qt's event queue (built without the sanitizer) passes under
# locks the sanitizer cannot see. Only the programs these tests need are
# built. die_after_fork=0: the still capture and the trim run ffmpeg
# (QProcess forks a threaded process and executes at once).
BUILD_TARGETS="core_tests tst_movieplayerview tst_playroad tst_openroad tst_videolistview tst_tools tst_menucommands" \
SUITE_FILTER="SettingsStore|CardData|TripData|ChapterData|ChapterPicture|Catalog|OpenDataThreads|Concurrent|SeveralThreads|^app[.]tst_(movieplayerview|playroad|openroad|videolistview|tools|menucommands)$" \
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 die_after_fork=0 suppressions=$here/tests/support/tsan-suppressions.txt" \
  run_suite "tsan (background paths)" build-tsan -DKR_SANITIZE=thread

echo "=== fuzz"
if ! bash scripts/fuzz.sh build-fuzz; then
  failed+=("fuzz")
fi
discard_build build-fuzz

if [ ${#failed[@]} -ne 0 ]; then
  echo "test: FAILED: ${failed[*]}"
  exit 1
fi
echo "test: all suites passed"
