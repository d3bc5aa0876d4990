#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang and runs each for
# FUZZ_SECONDS (30 by default), seeded with generated movies. Ends non-zero
# when a target fails to build or finds a crash.
#   scripts/fuzz.sh [build-dir]
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$here/build-fuzz}"
seconds="${FUZZ_SECONDS:-30}"
jobs="$(nproc)"

echo "=== fuzz: build ($dir)"
if ! CC=clang CXX=clang++ cmake -S "$here/tests/fuzz" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null \
   || ! cmake --build "$dir" -j "$jobs"; then
  echo "fuzz: build failed"
  exit 1
fi

seeds="$dir/seeds"
rm -rf "$seeds"
if ! "$dir/make-fuzz-seeds" "$seeds"; then
  echo "fuzz: could not write the seed movies"
  exit 1
fi
if ! "$dir/make-recording-seeds" "$seeds/recording"; then
  echo "fuzz: could not write the seed recording files"
  exit 1
fi

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
failed=()
run_target() {  # name seed-dir
  local name="$1" seed="$2"
  local corpus="$dir/corpus/$name" artifacts="$dir/artifacts/$name/"
  mkdir -p "$corpus" "$artifacts"
  echo "=== fuzz: $name for ${seconds}s"
  if ! "$dir/fuzz_$name" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$artifacts" "$corpus" "$seed" >"$dir/$name.log" 2>&1; then
    tail -n 60 "$dir/$name.log"
    failed+=("$name")
  else
    grep -E "stat::number_of_executed_units|Done" "$dir/$name.log" | tail -n 2
  fi
}

run_target mp4_reader "$seeds/movies"
run_target movie_reader "$seeds/movies"
run_target version_text "$seeds/versions"
run_target playback_inf "$seeds/playback"
run_target data_file "$seeds/recording/data"
run_target event_file "$seeds/recording/event"
run_target division_file "$seeds/recording/division"

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz: FAILED: ${failed[*]} (inputs under $dir/artifacts)"
  exit 1
fi
echo "fuzz: all targets ran clean"
