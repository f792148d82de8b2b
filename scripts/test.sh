#!/usr/bin/env bash
# Configures, builds and runs every test: a normal build, then the same tests under the
# address and undefined-behaviour sanitizers, then a smoke run of every fuzz target (its
# seeds and a few seconds more). Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
jobs=$(nproc 2>/dev/null || echo 2)

run_suite() {
  local dir=$1; shift
  echo "=== $dir: configure and build"
  cmake -S . -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  echo "=== $dir: tests"
  (cd "$dir" && ctest --output-on-failure -j "$jobs")
}

run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "=== build: Python module tests"
RAVLIO_BUILD="$PWD/build" /usr/bin/python3 -m pytest -q -p no:cacheprovider python/tests
run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DRAVL_SANITIZE=ON -DRAVL_BUILD_BENCH=OFF

echo "=== fuzz targets: smoke run"
bash scripts/fuzz.sh --smoke
