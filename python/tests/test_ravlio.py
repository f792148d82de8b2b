"""The ravlio module against files written by the project's own tools, checked against
what rgddump shows of the same files."""
import os
import re

import numpy as np
import pytest

import ravlio
from conftest import run, tool


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


@pytest.mark.parametrize("name, text", [
    ("missing.RGD", "cannot open"),
    ("notdata.RGD", "filetype is unknown"),
])
def test_errors_carry_the_library_text(tmp_path, name, text):
    (tmp_path / "notdata.RGD").write_text("hello\n")
    with pytest.raises(ravlio.RavlioError, match=text):
        ravlio.open(tmp_path / name)


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
