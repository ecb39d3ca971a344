#!/usr/bin/env bash
# Builds the libFuzzer harnesses (clang, address and undefined-behaviour
# sanitizers) in build-fuzz/ and runs each for a fixed time.
#
#   tools/fuzz.sh [SECONDS] [HARNESS...]   default: 60 seconds, every harness
#
# Each harness starts from its seed corpus in tests/fuzz/corpus/<harness>/ (the
# two module harnesses, module and xmp, share corpus/module/) and
# keeps what it finds in build-fuzz/corpus/<harness>/ (kept between runs).
# A crash, leak or time-out stops the script with the input saved as
# build-fuzz/artifacts/<harness>/crash-* (or leak-*, timeout-*).
# FUZZ_JOBS=N runs N harnesses at once (default 1).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
harnesses=("$@")
if [ ${#harnesses[@]} -eq 0 ]; then
  harnesses=(level sprite font hiscore archive log registry module xmp)
fi
scripts/deps.sh --fuzz
cxx=${FUZZ_CXX:-$(command -v clang++ || command -v clang++-14)}
cc=${FUZZ_CC:-$(command -v clang || command -v clang-14)}
# The scratch folders of the harnesses: in memory where possible, since the
# hall of fame and the registry store flush every save.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi

# The compilers are chosen once, when the folder is made (a change of compiler
# would make CMake start its cache afresh).
compilers=()
if [ ! -f build-fuzz/CMakeCache.txt ]; then
  compilers=(-DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx")
fi
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo "${compilers[@]}" -DVX_FUZZ=ON -DVX_WERROR=ON \
  -DVX_BUILD_SDL=OFF -DVX_BUILD_GTK=OFF -DVX_BUILD_TESTS=OFF -DVX_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target $(printf 'fuzz_%s ' "${harnesses[@]}")

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

run() {
  local name=$1
  # Absolute paths: the harnesses work in a scratch folder of their own.
  local corpus=$PWD/build-fuzz/corpus/$name artifacts=$PWD/build-fuzz/artifacts/$name
  local seeds=$PWD/tests/fuzz/corpus/$name
  mkdir -p "$corpus" "$artifacts"
  # Module rendering may take longer per input than the other parsers.
  local timeout=10
  case $name in
    module) timeout=${MODULE_TIMEOUT:-10} ;;
    xmp) timeout=${MODULE_TIMEOUT:-10} seeds=$PWD/tests/fuzz/corpus/module ;;
  esac
  build-fuzz/tests/fuzz/fuzz_"$name" "$corpus" "$seeds" \
    -max_total_time="$seconds" -timeout="$timeout" -rss_limit_mb=2048 -max_len=65536 \
    -artifact_prefix="$artifacts/" -print_final_stats=1 >build-fuzz/"$name".log 2>&1
  local status=$?
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)|cov: ' build-fuzz/"$name".log |
    tail -3 | sed "s/^/$name: /"
  if [ $status -ne 0 ]; then
    echo "$name: FAILED (status $status), see build-fuzz/$name.log" >&2
    tail -40 build-fuzz/"$name".log >&2
  fi
  return $status
}

jobs=${FUZZ_JOBS:-1}
failed=0
pids=()
for name in "${harnesses[@]}"; do
  run "$name" &
  pids+=($!)
  if [ ${#pids[@]} -ge "$jobs" ]; then
    wait "${pids[0]}" || failed=1
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
exit $failed
