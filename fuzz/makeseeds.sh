#!/usr/bin/env bash
# Remakes the seed corpora in fuzz/corpus/ from a tiny synthetic day (one set of views, eight
# points per spectrum) written by vornsim and calibrated by vorncalv, both from BUILD_DIR
# (default build/). Every seed is a file the project's own programs wrote.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
day=$(mktemp -d)
trap 'rm -rf "$day"' EXIT
"$build/vornsim" --dir "$day" --sets 1 --points 8 >/dev/null
(cd "$day" && "$OLDPWD/$build/vorncalv" <ANSWERS.TXT >/dev/null 2>&1) || true

# The seeds are written again over themselves; the inputs that campaigns found and
# scripts/fuzz.sh --keep kept beside them stay.
corpus=fuzz/corpus
mkdir -p "$corpus"/{rgd,mlt,rgdwriter,sip,mirror,emissivity}
cp "$day"/150417C1.UVS "$day"/150417C1.VAR "$day"/TRUTH.RGD "$day"/150417C1.RLC "$corpus/rgd/"
cp "$day"/CAVEMIS1.MLT "$corpus/mlt/"
# The writer's input feeds parameters from its end and a reference file from its start.
cp "$day"/TRUTH.RGD "$day"/CAVEMIS1.MLT "$corpus/rgdwriter/"
cp "$day"/VORNCALV.SIP "$corpus/sip/"
cp "$day"/SCENEMIR.POS "$corpus/mirror/"
cp "$day"/BBPAINT.EMI "$corpus/emissivity/"
# The other readers' seeds are the smallest valid files the test builders write (the raw,
# PLVS, OPUS, SPC and NASA Ames writers of tests/support), made by the seeds tool built here.
mkdir -p "$corpus"/{plvs,opus,spc,nasaames,raw}
"$build/tests/fuzz_seeds" "$corpus"
ls -l "$corpus"/*
