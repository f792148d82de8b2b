"""Shared fixtures: the build folder's programs and a small calibrated synthetic day."""
import os
import subprocess
import sys
from pathlib import Path

import pytest

# The module under test is the one in this checkout (the project root also has a folder
# named ravlio: the C++ library, which must not be taken for it).
sys.path.insert(0, str(Path(__file__).resolve().parents[1]))

BUILD = Path(os.environ.get("RAVLIO_BUILD", Path(__file__).resolve().parents[2] / "build"))
os.environ.setdefault("RAVLIO_LIBRARY", str(BUILD / "libravlio.so"))


def tool(name: str) -> str:
    return str(BUILD / name)


def run(args, cwd=None, stdin=None) -> subprocess.CompletedProcess:
    return subprocess.run(args, cwd=cwd, input=stdin, capture_output=True, text=True, check=False)


@pytest.fixture(scope="session")
def day(tmp_path_factory) -> Path:
    """A synthetic day of two sets of 30-point spectra, calibrated: its folder."""
    root = tmp_path_factory.mktemp("day")
    made = run([tool("vornsim"), "--dir", str(root), "--sets", "2", "--points", "30"])
    assert made.returncode == 0, made.stderr
    answers = (root / "ANSWERS.TXT").read_text()
    calibrated = run([tool("vorncalv")], cwd=root, stdin=answers)
    assert "END VORNCALV" in calibrated.stderr, calibrated.stderr
    return root


@pytest.fixture(scope="session")
def product(day) -> Path:
    return next(day.glob("*.RLC"))
