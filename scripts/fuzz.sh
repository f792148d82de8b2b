#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (address and undefined-behaviour
# sanitizers) in build-fuzz/ and runs each one.
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET]   a campaign: each target runs that long (default 60)
#                                          from its seeds in fuzz/corpus/<target>/ and the
#                                          inputs earlier campaigns found (build-fuzz/corpus/)
#   scripts/fuzz.sh SECONDS TARGET...      a campaign of the targets named (plvs, rgd, ...) only
#   scripts/fuzz.sh --smoke                CI: each target runs its seeds and a few seconds more
#   scripts/fuzz.sh --keep [TARGET...]     after a campaign: minimises what the campaigns found
#                                          with the seeds (a set cover of their coverage) and
#                                          keeps it in fuzz/corpus/<target>/ beside the seeds,
#                                          under the content's SHA-1 as libFuzzer names it
#
# A campaign adds each target's executions to build-fuzz/executions.tsv (date, target,
# executions, result: ok, FAILED, or stopped for a target stopped by hand with SIGINT, as in
# `pkill -INT -f "plvs_fuzz $PWD/build-fuzz/corpus/plvs"`), so that what every campaign ran
# adds up per target:
#   awk -F'\t' '{n[$2]+=$3} END {for (t in n) print t, n[t]}' build-fuzz/executions.tsv
#
# Exits non-zero when any target finds a crash, a leak, a timeout or an out-of-memory; the
# input that caused it is left in build-fuzz/findings/ (replay it with the target's
# executable and the file name) and the target's output in build-fuzz/logs/<target>.<pid>.log.
set -euo pipefail
cd "$(dirname "$0")/.."

smoke=0
keep=0
seconds=60
case "${1:-}" in
  --smoke) smoke=1; seconds=3 ;;
  --keep) keep=1 ;;
  "") ;;
  *[!0-9]*) echo "usage: scripts/fuzz.sh [SECONDS_PER_TARGET [TARGET...] | --smoke | --keep [TARGET...]]" >&2; exit 2 ;;
  *) seconds=$1 ;;
esac
shift || true
only=("$@")

# Absolute names: the targets work inside a scratch directory of their own.
root=$(pwd)
# The scratch directory is made under TMPDIR. Every execution writes, grows and cuts a file
# there; on a disk under load that costs milliseconds an execution (a cut file waits for its
# blocks to be discarded), in memory microseconds: tmpfs when the caller chose no TMPDIR.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi
out=$root/build-fuzz
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$out" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DRAVL_FUZZ=ON -DRAVL_BUILD_TESTS=OFF -DRAVL_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$out" -j "$(nproc 2>/dev/null || echo 2)" --target fuzz_all

mkdir -p "$out/findings" "$out/logs"

wanted() { [ ${#only[@]} -eq 0 ] || [[ " ${only[*]} " == *" $1 "* ]]; }

if [ "$keep" -eq 1 ]; then
  for binary in "$out"/fuzz/*_fuzz; do
    target=$(basename "$binary" _fuzz)
    seeds=$root/fuzz/corpus/$target
    found=$out/corpus/$target
    if ! wanted "$target" || [ ! -d "$found" ]; then continue; fi
    merged=$(mktemp -d)
    "$binary" -set_cover_merge=1 "$merged" "$seeds" "$found" >"$out/logs/$target-keep.log" 2>&1
    # The seeds stay; what an earlier keep put beside them gives way to this one's.
    find "$seeds" -maxdepth 1 -type f -regextype posix-extended -regex '.*/[0-9a-f]{40}' -delete
    named=$(find "$seeds" -maxdepth 1 -type f -exec sha1sum {} + | cut -c1-40)
    kept=0
    for input in "$merged"/*; do
      [ -e "$input" ] || continue
      if [[ "$named" == *"$(basename "$input")"* ]]; then continue; fi  # a seed's own bytes
      cp "$input" "$seeds/"
      kept=$((kept + 1))
    done
    rm -rf "$merged"
    echo "$target: $kept inputs kept beside $(find "$seeds" -maxdepth 1 -type f | wc -l | awk -v k=$kept '{print $1 - k}') seeds in fuzz/corpus/$target"
  done
  exit 0
fi

failed=()
printf '%-12s %12s %8s %8s  %s\n' target executions cov ft result
for binary in "$out"/fuzz/*_fuzz; do
  target=$(basename "$binary" _fuzz)
  if ! wanted "$target"; then continue; fi
  seeds=$root/fuzz/corpus/$target
  if [ "$smoke" -eq 1 ]; then
    work=$(mktemp -d)          # what the smoke run finds is not kept
  else
    work=$out/corpus/$target   # the campaign's own finds, kept for the next campaign
    mkdir -p "$work"
  fi
  log=$out/logs/$target.$$.log  # one per process: campaigns may run side by side
  shown_log=${log#"$root"/}
  status=0
  # libFuzzer and the sanitizers report on standard error; what a reader prints on standard
  # output (the OPUS reader does, for every record) filled 15 GB in a campaign of 1000 s.
  "$binary" "$work" "$seeds" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$out/findings/$target-" -print_final_stats=1 2>"$log" >/dev/null || status=$?
  if [ "$smoke" -eq 1 ]; then rm -rf "$work"; fi
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2 || true)
  features=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2 || true)
  result=ok
  if [ "$status" -eq 72 ] && grep -q 'libFuzzer: run interrupted' "$log"; then
    # Stopped by hand (SIGINT to the target, libFuzzer's exit 72): it found nothing, and
    # what it ran still counts.
    result=stopped
  elif [ "$status" -ne 0 ]; then
    result="FAILED (status $status; see $shown_log and build-fuzz/findings/$target-*)"
    failed+=("$target")
  fi
  printf '%-12s %12s %8s %8s  %s\n' "$target" "${executions:-?}" "${coverage:-?}" "${features:-?}" "$result"
  if [ "$smoke" -eq 0 ]; then
    printf '%s\t%s\t%s\t%s\n' "$(date -u +%FT%TZ)" "$target" "${executions:-0}" "${result%% *}" >>"$out/executions.tsv"
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in ${failed[*]}" >&2
  exit 1
fi
