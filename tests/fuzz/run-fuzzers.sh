#!/usr/bin/env bash
# Runs the fuzz targets with libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer for SECONDS each and prints how many executions
# each ran and whether it found anything.
#
#   tests/fuzz/run-fuzzers.sh SECONDS [TARGET...]
#
# TARGET is one of: stage_load stage_parse play_list_head config_file
# clear_list image cp932 (all of them when none is named). JOBS targets run at
# once (3 unless set), each under nice. The build goes to build-fuzz/ (or
# FUZZ_BUILD_DIR); each target keeps the corpus it grows in
# build-fuzz/fuzz-corpus/TARGET and writes what it finds to
# build-fuzz/fuzz-findings/TARGET/. Needs clang and its fuzzer runtime:
#   apt-get install clang libclang-rt-14-dev
set -euo pipefail

ALL_TARGETS="stage_load stage_parse play_list_head config_file clear_list image cp932"
if [ $# -lt 1 ] || ! [[ "$1" =~ ^[0-9]+$ ]]; then
  sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'
  exit 2
fi
SECONDS_EACH=$1
shift
TARGETS=${*:-$ALL_TARGETS}
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=${FUZZ_BUILD_DIR:-$ROOT/build-fuzz}
JOBS=${JOBS:-3}

for tool in clang clang++; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is missing: apt-get install clang libclang-rt-14-dev" >&2
    exit 1
  fi
done

SANITIZE="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
LOGS="$BUILD/fuzz-logs"
mkdir -p "$LOGS"
BUILD_TARGETS=""
for t in $TARGETS; do BUILD_TARGETS="$BUILD_TARGETS ${t}_fuzz"; done
if ! { cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
         -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
         -DCMAKE_C_FLAGS="$SANITIZE" -DCMAKE_CXX_FLAGS="$SANITIZE" -DGIZMOWORKS_FUZZ=ON &&
       cmake --build "$BUILD" -j"$(nproc)" --target fuzz_seeds $BUILD_TARGETS; } >"$LOGS/build.log" 2>&1; then
  tail -40 "$LOGS/build.log" >&2
  echo "the fuzz build failed: see $LOGS/build.log" >&2
  exit 1
fi
run_one() {
  local t=$1
  local corpus="$BUILD/fuzz-corpus/$t" findings="$BUILD/fuzz-findings/$t/"
  mkdir -p "$corpus" "$findings"
  # The first folder takes what the fuzzer finds new; the seeds are read only.
  nice -n 10 "$BUILD/tests/fuzz/${t}_fuzz" -max_total_time="$SECONDS_EACH" -timeout=30 \
    -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$findings" \
    "$corpus" "$BUILD/tests/fuzz/seeds/$t" >"$LOGS/$t.log" 2>&1 || true
}

running=0
for t in $TARGETS; do
  run_one "$t" &
  running=$((running + 1))
  if [ "$running" -ge "$JOBS" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait || true

status=0
printf '%-16s %14s %10s  %s\n' target executions exec/s result
for t in $TARGETS; do
  log="$LOGS/$t.log"
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  found=$(ls -A "$BUILD/fuzz-findings/$t" 2>/dev/null | head -1)
  if [ -n "$found" ] || grep -q -E "^==[0-9]+==ERROR|runtime error|fuzz check failed" "$log"; then
    result="FINDING: see $log and $BUILD/fuzz-findings/$t/"
    status=1
  elif [ -z "$runs" ]; then
    result="did not run: see $log"
    status=1
  else
    result="nothing found"
  fi
  printf '%-16s %14s %10s  %s\n' "$t" "${runs:-0}" "${speed:-0}" "$result"
done
exit $status
