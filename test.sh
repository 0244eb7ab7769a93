#!/usr/bin/env bash
# Installs what is missing, builds, runs every test (plain, sanitizer and ThreadSanitizer builds)
# and prints the benchmarks.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh

jobs=$(nproc)
export CTEST_OUTPUT_ON_FAILURE=1
# Tests point the data folder at temporary folders themselves; never touch a real home here.
export XDG_DATA_HOME="$(mktemp -d)"
# An empty folder in place of the shared test data (the real banks beside the repository).
no_shared_data="$(mktemp -d)"
bench_results="$(mktemp)"
trap 'rm -rf "$XDG_DATA_HOME" "$no_shared_data" "$bench_results"' EXIT

echo "== build (RelWithDebInfo)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j "$jobs"
echo "== format check"
cmake --build build --target format-check
echo "== tests"
ctest --test-dir build -j "$jobs" --timeout 300

echo "== build and tests with AddressSanitizer and UndefinedBehaviorSanitizer, without the shared data"
# The plain run above reads the real banks; this one runs the suite as in a clone that has nothing beside it,
# where the tests that need the real banks skip and every other test passes.
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKORVID_SANITIZE=ON -DKORVID_BENCHMARKS=OFF > /dev/null
cmake --build build-asan -j "$jobs"
KORVID_SHARED_DATA="$no_shared_data" ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp" ctest --test-dir build-asan -j "$jobs" --timeout 600 -LE nosan

echo "== ThreadSanitizer tests"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVID_TSAN=ON -DKORVID_BENCHMARKS=OFF > /dev/null
cmake --build build-tsan -j "$jobs" --target korvid_tsan_tests
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan -j "$jobs" --timeout 600 -L tsan

if [ -x build/bench/korvid_bench ]; then
  echo "== benchmarks"
  # Under Xvfb, so the editor view's drawing pass is measured too.
  xvfb-run -a -s "-screen 0 1920x1080x24" build/bench/korvid_bench --benchmark_min_time=0.2 \
    --benchmark_out="$bench_results" --benchmark_out_format=json
  # A benchmark that reports an error no longer measures what it names: the run fails and names it.
  # One that skips because the real banks are not beside the repository is not an error (a bare clone).
  failed="$(awk '/"name":/ { name = $0; erred = 0 }
    /"error_occurred": true/ { erred = 1 }
    /"error_message":/ && erred && !/the real banks are not in|shared banks missing/ { print name ": " $0 }' \
    "$bench_results")"
  if [ -n "$failed" ]; then
    echo "== benchmarks reporting an error:"
    echo "$failed"
    exit 1
  fi
fi
