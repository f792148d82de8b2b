"""The ravlio module against files written by the project's own tools, checked against
what rgddump shows of the same files."""
import errno
import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

import numpy as np
import pytest

import ravlio
from conftest import BUILD, run, tool

PYTHON_DIR = Path(__file__).resolve().parents[1]


def rgddump(*args) -> str:
    result = run([tool("rgddump"), *map(str, args)])
    assert result.returncode == 0, result.stderr
    return result.stdout


def test_counts_and_descriptions_match_rgddump(product):
    summary = rgddump(product)
    with ravlio.open(product) as f:
        assert f.record_count == int(re.search(r"^Records:\s+(\d+)", summary, re.M).group(1))
        column = f.columns[0]
        assert (column.short_name, column.units) == ("atmosphericRadiance", "mW/(m2 sr cm-1)")
        assert f"short name:  {column.short_name}" in summary
        assert f.versions[0].startswith("RAVLIO")
        assert "RAVLIO" in f.versions[2]


def test_values_and_abscissa_are_bit_for_bit_those_of_rgddump_csv(product):
    with ravlio.open(product) as f:
        for record in (1, f.record_count):
            rows = [line.split(",") for line in rgddump(product, "--csv", record).splitlines()[1:]]
            rec = f.record(record, "atmosphericRadiance")
            assert rec.values.dtype == np.float32 and rec.abscissa.dtype == np.float64
            expected = np.array([float(r[1]) for r in rows], dtype=np.float32)
            assert np.array_equal(rec.values.view(np.uint32), expected.view(np.uint32))
            assert np.array_equal(rec.abscissa, np.array([float(r[0]) for r in rows]))


def test_metadata_by_field_name(product, day):
    with ravlio.open(product) as f:
        meta = f.metadata(1)
        assert meta["dateYYMMDD"] == 150417.0
        assert meta["missingDataFlag"] == 0.0
        names = [field.name for field in f.fields(1)]
        assert names.count("timeHHMMSS") == 5  # one per parent record
        assert f.fields(1)[names.index("dateYYMMDD")].units == "YYMMDD"
    with ravlio.open(day / "CAVEMIS1.MLT") as mlt:
        assert mlt.record_count == 1 and len(mlt.values(1, 2)) == 30


@pytest.mark.parametrize("name, error, code, reason", [
    ("missing.RGD", FileNotFoundError, errno.ENOENT, "No such file or directory"),
    ("nosuchdir/x.RGD", FileNotFoundError, errno.ENOENT, "No such file or directory"),
    ("adir", IsADirectoryError, errno.EISDIR, "Is a directory"),
])
def test_a_file_the_system_cannot_open_raises_its_own_error(tmp_path, name, error, code, reason):
    (tmp_path / "adir").mkdir()
    path = tmp_path / name
    with pytest.raises(error) as raised:
        ravlio.open(path)
    assert (raised.value.errno, raised.value.strerror, raised.value.filename) == (code, reason, str(path))


def test_a_file_the_library_refuses_raises_its_text(tmp_path):
    notdata = tmp_path / "notdata.RGD"
    notdata.write_text("hello\n")
    with pytest.raises(ravlio.RavlioError) as raised:
        ravlio.open(notdata)
    assert str(raised.value) == f"cannot open {notdata}: filetype is unknown"


def test_out_of_range_record_and_closed_file(product):
    f = ravlio.open(product)
    with pytest.raises(ravlio.RavlioError, match="out of range"):
        f.values(f.record_count + 1)
    f.close()
    with pytest.raises(ravlio.RavlioError, match="closed"):
        f.record_count


def test_ten_thousand_opens_leak_no_handle(product):
    before = len(os.listdir("/proc/self/fd"))
    for _ in range(10000):
        with ravlio.open(product) as f:
            f.record_count
    assert len(os.listdir("/proc/self/fd")) == before


def test_converted_product_opens_in_xarray(product, tmp_path):
    xr = pytest.importorskip("xarray", reason="Debian python3-xarray is not installed")
    out = tmp_path / "day.nc"
    converted = run([tool("ravlconvert"), str(product), str(out)])
    assert converted.returncode == 0, converted.stderr
    with xr.open_dataset(out) as ds, ravlio.open(product) as f:
        assert ds.sizes["record"] == f.record_count
        assert ds["atmosphericRadiance"].values[0, 5] == f.values(1)[5]
        first = ds["time"].values[0]
        hhmmss = int(f.metadata(1)["timeHHMMSS"])
        expected = np.datetime64(f"2015-04-17T{hhmmss // 10000:02d}:{hhmmss // 100 % 100:02d}:{hhmmss % 100:02d}")
        assert first == expected



@pytest.fixture(scope="module")
def installed(tmp_path_factory):
    """The module installed by pip (--no-build-isolation, Debian's setuptools, no network)
    from a copy of python/, and the library by cmake --install into a prefix: the
    environment of a program that uses both, started anywhere."""
    root = tmp_path_factory.mktemp("installed")
    source, site, prefix = root / "source", root / "site", root / "prefix"
    shutil.copytree(PYTHON_DIR, source, ignore=shutil.ignore_patterns("tests", "__pycache__", "build", "*.egg-info"))
    pip = run([sys.executable, "-m", "pip", "install", "--no-build-isolation", "--no-index", "--no-deps",
               "--target", str(site), str(source)])
    assert pip.returncode == 0, pip.stdout + pip.stderr
    cmake = run(["cmake", "--install", str(BUILD), "--prefix", str(prefix)])
    assert cmake.returncode == 0, cmake.stdout + cmake.stderr
    libdir = next(p.parent for p in prefix.rglob("libravlio.so.1"))
    env = {k: v for k, v in os.environ.items() if not k.startswith("RAVLIO_")}
    env.update(PYTHONPATH=str(site), LD_LIBRARY_PATH=str(libdir), MPLBACKEND="Agg")
    elsewhere = root / "elsewhere"
    elsewhere.mkdir()
    return {"site": site, "libdir": libdir, "env": env, "cwd": elsewhere}


def run_installed(installed, script: str, *args) -> subprocess.CompletedProcess:
    (installed["cwd"] / "script.py").write_text(script)
    return subprocess.run([sys.executable, "script.py", *map(str, args)], cwd=installed["cwd"], env=installed["env"],
                          capture_output=True, text=True, check=False)


def test_the_installed_module_loads_the_installed_library(installed, product):
    ran = run_installed(installed, (
        "import sys, ravlio\n"
        "f = ravlio.open(sys.argv[1])\n"
        "maps = open('/proc/self/maps').read().split()\n"
        "print(f.record_count, ravlio.__file__, next(w for w in maps if 'libravlio' in w))\n"), product)
    assert ran.returncode == 0, ran.stderr
    with ravlio.open(product) as f:
        count = f.record_count
    assert ran.stdout.split() == [str(count), str(installed["site"] / "ravlio" / "__init__.py"),
                                  str(installed["libdir"] / "libravlio.so.1.0.0")]


def test_the_readme_example_runs_from_any_directory(installed, product):
    if subprocess.run([sys.executable, "-c", "import matplotlib"], capture_output=True).returncode != 0:
        pytest.skip("Debian python3-matplotlib is not installed")
    example = re.search(r"```python\n(.*?)```", (PYTHON_DIR / "README.md").read_text(), re.S).group(1)
    ran = run_installed(installed, example, product, 2)
    assert ran.returncode == 0, ran.stderr
    with ravlio.open(product) as f:
        assert ran.stdout == f"{f.record_count} records; ['atmosphericRadiance']\n"
    assert (installed["cwd"] / "record2.png").read_bytes().startswith(b"\x89PNG")
