#!/usr/bin/env bash
# Installs, with apt-get, whatever the build needs that this machine lacks.
set -euo pipefail

missing=()
command -v cmake >/dev/null 2>&1 || missing+=(cmake)
command -v g++ >/dev/null 2>&1 || missing+=(g++)
command -v make >/dev/null 2>&1 || missing+=(make)
[ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
[ -f /usr/include/benchmark/benchmark.h ] || missing+=(libbenchmark-dev)
command -v pkg-config >/dev/null 2>&1 || missing+=(pkg-config)
# ravlconvert writes netCDF through the netCDF C library; ncdump shows what it wrote.
[ -f /usr/include/netcdf.h ] || missing+=(libnetcdf-dev)
command -v ncdump >/dev/null 2>&1 || missing+=(netcdf-bin)
# The Python module and its tests use Debian's Python with numpy, pytest and xarray.
[ -x /usr/bin/python3 ] || missing+=(python3)
/usr/bin/python3 -c 'import numpy' >/dev/null 2>&1 || missing+=(python3-numpy)
/usr/bin/python3 -c 'import pytest' >/dev/null 2>&1 || missing+=(python3-pytest)
/usr/bin/python3 -c 'import xarray' >/dev/null 2>&1 || missing+=(python3-xarray)
/usr/bin/python3 -c 'import netCDF4' >/dev/null 2>&1 || missing+=(python3-netcdf4)
# The module installs with pip from the source tree, built by Debian's setuptools.
/usr/bin/python3 -c 'import setuptools' >/dev/null 2>&1 || missing+=(python3-setuptools)
/usr/bin/python3 -m pip --version >/dev/null 2>&1 || missing+=(python3-pip)
# The fuzz targets: clang and its libFuzzer runtime.
command -v clang++ >/dev/null 2>&1 || missing+=(clang)
compgen -G '/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a' >/dev/null || missing+=(libclang-rt-dev)
command -v parallel >/dev/null 2>&1 || missing+=(parallel)
# The quicklook page's test opens it in headless Chromium (the demo does not need it).
command -v chromium >/dev/null 2>&1 || missing+=(chromium)
# The durability test traces a run's writes and syncs with strace.
command -v strace >/dev/null 2>&1 || missing+=(strace)

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
