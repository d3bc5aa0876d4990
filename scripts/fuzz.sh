#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang and runs each for
# FUZZ_SECONDS (30 by default), seeded with generated movies. Ends non-zero
# when a target fails to build or finds a crash.
#   scripts/fuzz.sh [build-dir]
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$here/build-fuzz}"
seconds="${FUZZ_SECONDS:-30}"
# A fixed seed keeps a run repeatable (same inputs on the same corpus);
# FUZZ_SEED=0 asks libFuzzer for a fresh one.
fuzz_seed="${FUZZ_SEED:-20261207}"
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

# Memory is part of what a run checks: no input of at most 64 KB may take a
# reader beyond 64 MB in one allocation or the process beyond 256 MB (the
# fuzzer and AddressSanitizer themselves take about 60 MB, the reader's normal
# need a few). A small quarantine keeps freed blocks from counting as use:
# AddressSanitizer's default (256 MB) alone passes the limit, and even 32 MB
# of small freed blocks (with their red zones) took a reader that makes many
# small strings past it.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:quarantine_size_mb=8"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Targets run side by side, a few at a time; each writes its own log.
run_target() {  # name seed-dir
  local name="$1" seed="$2"
  local corpus="$dir/corpus/$name" artifacts="$dir/artifacts/$name/"
  mkdir -p "$corpus" "$artifacts"
  "$dir/fuzz_$name" -max_total_time="$seconds" -seed="$fuzz_seed" -max_len=65536 -rss_limit_mb=256 -malloc_limit_mb=64 -timeout=10 \
      -print_final_stats=1 -artifact_prefix="$artifacts" "$corpus" "$seed" >"$dir/$name.log" 2>&1
  echo $? >"$dir/$name.rc"
}

rm -f "$dir"/*.rc
targets=(
  "mp4_reader movies" "movie_reader movies" "version_text versions" "playback_inf playback"
  "index_records index" "keyed_archive archives" "setting_file settings"
  "data_file recording/data" "event_file recording/event" "division_file recording/division"
)
parallel=$(( jobs / 2 )); [ "$parallel" -lt 1 ] && parallel=1
running=0
for t in "${targets[@]}"; do
  set -- $t
  echo "=== fuzz: $1 for ${seconds}s"
  run_target "$1" "$seeds/$2" &
  running=$((running + 1))
  if [ "$running" -ge "$parallel" ]; then wait -n; running=$((running - 1)); fi
done
wait

failed=()
for t in "${targets[@]}"; do
  set -- $t
  if [ "$(cat "$dir/$1.rc" 2>/dev/null)" != "0" ]; then
    echo "--- fuzz: $1 failed"
    tail -n 60 "$dir/$1.log"
    failed+=("$1")
  else
    echo "--- fuzz: $1: $(grep -E 'stat::number_of_executed_units' "$dir/$1.log" | tail -n 1)"
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz: FAILED: ${failed[*]} (inputs under $dir/artifacts)"
  exit 1
fi
echo "fuzz: all targets ran clean"
