#!/usr/bin/env bash
# The demo: builds vorncalv and the tools, writes a synthetic instrument day into demo/,
# calibrates it in batch mode and compares the result with the day's truth. Exits non-zero
# when the run does not end normally or the calibrated radiance does not match the truth.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
jobs=$(nproc 2>/dev/null || echo 2)

echo "=== build: vorncalv, vornsim, rgddump, vornsum (in build/)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs" --target vorncalv vornsim rgddump vornsum >/dev/null

echo "=== synthetic day"
rm -rf demo
build/vornsim --dir demo

echo "=== calibration: cd demo && ../build/vorncalv < ANSWERS.TXT"
status=0
(cd demo && ../build/vorncalv < ANSWERS.TXT > vorncalv.out 2> vorncalv.err) || status=$?
stop=$(tail -n 1 demo/vorncalv.err 2>/dev/null || true)
echo "  exit status $status, last line on standard error: $stop"
# Exit status 0 is the run's own word that it did its work (1: any other stop).
if [ "$status" -ne 0 ] || [ "$stop" != "STOP *** END VORNCALV.EXE ***" ]; then
  echo "demo: vorncalv ended with exit status $status and '$stop', not 0 and 'STOP *** END VORNCALV.EXE ***'; see demo/vorncalv.err and demo/*.LOG" >&2
  exit 1
fi

echo "=== comparison with the truth"
compared=0
build/vornsim --compare demo || compared=$?

root=$(sed -n 3p demo/ANSWERS.TXT)
build/rgddump "demo/$root.RLC" --svg demo/radiance.svg --records 1-4 >/dev/null

echo "=== the day at a glance: build/vornsum demo/$root"
summarised=0
build/vornsum "demo/$root" > demo/vornsum.out || summarised=$?
echo "  quicklook page: $(pwd)/demo/$root.quicklook.html (open it in a browser)"
echo "  summary: demo/$root.summary.nc (netCDF-CF), demo/$root.summary.csv"
echo
echo "Outputs in demo/: $root.RLC (calibrated radiance), $root.IMC (imaginary part),"
echo "$root.RES (responsivity), $root.CVS (variance of radiance), CAVEMIS1.MLT (cavity"
echo "emissivity); the log is demo/$root.LOG, the console output demo/vorncalv.out."
echo "Look at them with rgddump, for example:"
show() { printf '  %s\n      %s\n' "$1" "$2"; }
show "build/rgddump demo/$root.RLC" "summary of the radiance product"
show "build/rgddump demo/$root.RLC --meta 1-8" "header values (temperatures used, ...)"
show "build/rgddump demo/$root.RLC --csv 1" "record 1 as CSV"
show "build/rgddump demo/TRUTH.RGD --csv 1" "the truth of record 1"
show "build/rgddump demo/$root.RLC --svg demo/radiance.svg --records 1-4" "a plot of records 1-4 (written by this demo)"
echo

if [ "$summarised" -ne 0 ]; then
  echo "demo: vornsum could not summarise the whole day (exit status $summarised)" >&2
  exit 1
fi
if [ "$compared" -ne 0 ]; then
  echo "demo: the calibrated radiance does not match the truth" >&2
  exit 1
fi
echo "demo: OK"
