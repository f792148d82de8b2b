#!/usr/bin/env bash
# Line coverage of each format reader (ravlio/formats/<reader>/), measured with clang's
# source-based coverage in build-coverage/.
#
#   scripts/coverage.sh            the reader's fuzz target over its inputs (the seeds in
#                                  fuzz/corpus/<reader>/ and what campaigns of scripts/fuzz.sh
#                                  kept in build-fuzz/corpus/<reader>/), and its test suites
#   scripts/coverage.sh --fuzz     the fuzz target's inputs only (no test build)
#
# Prints one line per reader: lines, and the percentage covered by the fuzz inputs, by the
# test suites and by both. The merged profiles stay in build-coverage/profiles/<reader>/ for
# `llvm-cov show` (the command is printed at the end).
set -euo pipefail
cd "$(dirname "$0")/.."

tests=1
case "${1:-}" in
  --fuzz) tests=0 ;;
  "") ;;
  *) echo "usage: scripts/coverage.sh [--fuzz]" >&2; exit 2 ;;
esac

root=$(pwd)
out=$root/build-coverage
profiles=$out/profiles
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
test_option=OFF
if [ "$tests" -eq 1 ]; then test_option=ON; fi
cmake -S . -B "$out" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DRAVL_FUZZ=ON -DRAVL_COVERAGE=ON -DRAVL_BUILD_TESTS=$test_option -DRAVL_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null

# The test suites of a reader.
suites_of() {
  case "$1" in
    rgd) echo rgd_test rgd_corrupt_test rgdstruc_test rgdheaders_test ;;
    *) echo "$1_test" ;;
  esac
}

readers=()
for dir in ravlio/formats/*/; do readers+=("$(basename "$dir")"); done
targets=()
for reader in "${readers[@]}"; do
  targets+=("${reader}_fuzz")
  if [ "$tests" -eq 1 ]; then
    for suite in $(suites_of "$reader"); do targets+=("$suite"); done
  fi
done
cmake --build "$out" -j "$(nproc 2>/dev/null || echo 2)" --target "${targets[@]}"

# The lines of the reader's folder and the percentage the profile covers, summed over its
# files' rows of llvm-cov's report (lines, missed lines).
line_coverage() {
  local profile=$1 reader=$2
  shift 2
  local objects=("$1")
  shift
  for binary in "$@"; do objects+=(-object "$binary"); done
  llvm-cov report "${objects[@]}" -instr-profile="$profile" 2>/dev/null |
    awk -v folder="formats/$reader/" 'index($1, folder) { lines += $8; missed += $9 }
         END { if (lines > 0) printf "%d %.1f%%\n", lines, 100 * (lines - missed) / lines; else print "0 -" }'
}

rm -rf "$profiles"
mkdir -p "$profiles"
# The fuzz targets' scratch files in memory, as scripts/fuzz.sh has them.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi
printf '%-10s %6s %8s %8s %8s\n' reader lines fuzz tests both
for reader in "${readers[@]}"; do
  fuzzer=$out/fuzz/${reader}_fuzz
  raw=$profiles/$reader
  mkdir -p "$raw/fuzz" "$raw/tests"
  # Each input once, as libFuzzer replays files named on its command line.
  inputs=$(mktemp)
  for dir in "$root/fuzz/corpus/$reader" "$root/build-fuzz/corpus/$reader"; do
    if [ -d "$dir" ]; then find "$dir" -type f; fi
  done >"$inputs"
  if [ -s "$inputs" ]; then
    LLVM_PROFILE_FILE="$raw/fuzz/%p.profraw" xargs -a "$inputs" -d '\n' -n 500 "$fuzzer" >/dev/null 2>&1 ||
      echo "coverage: ${reader}_fuzz failed on one of its inputs (see scripts/fuzz.sh)" >&2
  fi
  rm -f "$inputs"
  binaries=("$fuzzer")
  kinds=(fuzz)
  if [ "$tests" -eq 1 ]; then
    for suite in $(suites_of "$reader"); do
      LLVM_PROFILE_FILE="$raw/tests/%p.profraw" "$out/tests/$suite" >/dev/null 2>&1 ||
        echo "coverage: $suite failed (its coverage is still counted)" >&2
      binaries+=("$out/tests/$suite")
    done
    kinds+=(tests)
  fi
  columns=()
  for kind in "${kinds[@]}"; do
    if compgen -G "$raw/$kind/*.profraw" >/dev/null; then
      llvm-profdata merge -sparse "$raw/$kind"/*.profraw -o "$raw/$kind.profdata"
      read -r lines percent < <(line_coverage "$raw/$kind.profdata" "$reader" "${binaries[@]}")
      columns+=("$percent")
    else
      columns+=(-)
    fi
  done
  llvm-profdata merge -sparse "$raw"/*.profdata -o "$raw/both.profdata"
  read -r lines both < <(line_coverage "$raw/both.profdata" "$reader" "${binaries[@]}")
  if [ "$tests" -eq 0 ]; then columns+=(-); fi
  printf '%-10s %6s %8s %8s %8s\n' "$reader" "$lines" "${columns[0]}" "${columns[1]}" "$both"
done
echo "each line's count: llvm-cov show build-coverage/fuzz/<reader>_fuzz -instr-profile=build-coverage/profiles/<reader>/both.profdata (the reader's files are ../ravlio/formats/<reader>/*)"
