"""Reading spectral data files through the RAVLIO library from Python.

RAVLIO offers one record-oriented interface over several spectral file formats (RGD, its
own binary format, MLT text tables and the other formats it reads). This module calls the
library's C API through ctypes; values come back as numpy arrays.

    import ravlio
    with ravlio.open("20150417.RLC") as f:
        print(f.record_count, [c.short_name for c in f.columns])
        rec = f.record(1)                 # first column
        rec.abscissa, rec.values          # numpy float64 and float32 arrays
        rec.metadata["timeHHMMSS"]        # header fields by name

The shared library is the file RAVLIO_LIBRARY names when it is set, else the one in the
build folder RAVLIO_BUILD names, else (for the module in its source tree) the project's
build/ folder, else the one `cmake --install` put on the system's library path or under
/usr/local/lib.

A file that cannot be opened at all raises the system's own error (FileNotFoundError,
PermissionError, IsADirectoryError); RavlioError is the library's refusal of a file or
request.
"""
from __future__ import annotations

import ctypes
import ctypes.util
import errno
import os
import sysconfig
from dataclasses import dataclass, field
from pathlib import Path
from typing import Dict, List, Optional, Union

import numpy as np

__all__ = ["open", "RavlioFile", "RavlioError", "Column", "Field", "Record"]

# The request identifier that asks the library for the next field of a header.
_WILDCARD_FIELD = 2000000000
# Description types of columns and fields.
_SHORT_NAME, _LABEL, _LONG_NAME, _UNITS = 1, 2, 3, 4
# Bytes of a description buffer; the library copies at most this many.
_TEXT_SIZE = 256
# Axis numbers of the selection.
_DEPENDENT_AXIS = 2


class RavlioError(Exception):
    """A failure reported by the library; the message is the library's own text."""


@dataclass(frozen=True)
class Column:
    """One data column (data type) of a file."""

    number: int  # position in the library's list, from 1
    data_type: int  # the identifier the library selects it by
    short_name: str
    label: str
    long_name: str
    units: str


@dataclass(frozen=True)
class Field:
    """One header (metadata) field of a record."""

    identifier: int
    name: str
    label: str
    long_name: str
    units: str


@dataclass
class Record:
    """One record of one column: abscissa, values and header fields."""

    number: int
    column: Column
    abscissa: np.ndarray
    values: np.ndarray
    metadata: Dict[str, float] = field(default_factory=dict)


def _library_candidates() -> List[str]:
    explicit = os.environ.get("RAVLIO_LIBRARY")
    if explicit:
        return [explicit]
    build = os.environ.get("RAVLIO_BUILD")
    if build:
        return [str(Path(build) / "libravlio.so")]
    candidates = []
    package = Path(__file__).resolve().parent
    if (package.parent / "pyproject.toml").is_file():  # the module in its source tree
        candidates.append(str(package.parent.parent / "build" / "libravlio.so"))
    # Installed: the dynamic loader's own search (LD_LIBRARY_PATH, its cache, /usr/lib),
    # then where `cmake --install` puts it by default, whether or not ldconfig ran since.
    candidates.append("libravlio.so.1")
    found = ctypes.util.find_library("ravlio")
    if found:
        candidates.append(found)
    multiarch = sysconfig.get_config_var("MULTIARCH")
    for libdir in ["/usr/local/lib"] + ([f"/usr/local/lib/{multiarch}"] if multiarch else []):
        candidates.append(f"{libdir}/libravlio.so.1")
    return candidates


def _load_library() -> ctypes.CDLL:
    errors = []
    for candidate in _library_candidates():
        try:
            lib = ctypes.CDLL(candidate)
            break
        except OSError as e:
            errors.append(f"{candidate}: {e}")
    else:
        raise ImportError("cannot load the RAVLIO shared library (libravlio.so): " + "; ".join(errors))
    vp, cp, i, f = ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int, ctypes.c_float
    ip = ctypes.POINTER(i)
    signatures = {
        "ZARFopenFileReadable": (vp, [cp]),
        "ZARFcloseFile": (i, [vp]),
        "ZARFlastError": (cp, [vp]),
        "ZARFqueryVersion": (cp, [ctypes.c_uint, vp]),
        "ZARFreadRecordCount": (i, [vp]),
        "ZARFreadRecordSize": (i, [vp, i]),
        # The value buffers are numpy arrays, passed by their address.
        "ZARFreadDepValues": (i, [vp, i, vp, i]),
        "ZARFreadIndValuesDouble": (i, [vp, i, vp, i]),
        "ZARFselectData": (i, [vp, i, i]),
        "ZARFqueryMaxDataCount": (i, [vp]),
        "ZARFqueryDataTypes": (i, [vp, ip, i]),
        "ZARFqueryMaxMetadataCount": (i, [vp, i]),
        "ZARFreadRealMetadata": (i, [vp, i, ip, i, ctypes.POINTER(f)]),
        "ZARFreadMetadataStringDesc": (i, [vp, i, i, i, ctypes.c_char_p, i]),
        "ZARFreadDataStringDesc": (i, [vp, i, i, ctypes.c_char_p, i]),
    }
    for name, (restype, argtypes) in signatures.items():
        function = getattr(lib, name)
        function.restype = restype
        function.argtypes = argtypes
    return lib


_lib = _load_library()


def _text(raw: bytes) -> str:
    return raw.split(b"\0", 1)[0].decode("latin-1").rstrip()


def _raise_system_error(path: str) -> None:
    """Raises the system's error (FileNotFoundError, PermissionError, IsADirectoryError)
    when path is no file that can be opened for reading; returns when it is one, so that
    the library's reason stands."""
    descriptor = os.open(path, os.O_RDONLY)
    os.close(descriptor)
    if os.path.isdir(path):
        raise IsADirectoryError(errno.EISDIR, os.strerror(errno.EISDIR), path)


class RavlioFile:
    """An open data file. Use as a context manager, or call close()."""

    def __init__(self, path: Union[str, os.PathLike]):
        self.path = os.fspath(path)
        name = self.path
        # A leading "@" asks the RGD driver to open for update; this module only reads.
        if name.startswith("@"):
            name = "./" + name
        handle = _lib.ZARFopenFileReadable(name.encode())
        if not handle:
            _raise_system_error(self.path)
            reason = _lib.ZARFlastError(None)
            raise RavlioError(f"cannot open {self.path}: " + (reason.decode("latin-1") if reason else "unknown error"))
        self._handle: Optional[int] = handle
        self._selected: Optional[int] = None
        self.columns: List[Column] = self._read_columns()

    # ---- life cycle --------------------------------------------------------------------
    def close(self) -> None:
        if self._handle:
            _lib.ZARFcloseFile(self._handle)
            self._handle = None

    def __enter__(self) -> "RavlioFile":
        return self

    def __exit__(self, *exc) -> None:
        self.close()

    def __del__(self) -> None:
        try:
            self.close()
        except Exception:
            pass

    def __len__(self) -> int:
        return self.record_count

    # ---- what the file holds -----------------------------------------------------------
    @property
    def record_count(self) -> int:
        count = _lib.ZARFreadRecordCount(self._live())
        if count < 0:
            self._fail("cannot count the records")
        return count

    @property
    def versions(self) -> Dict[int, str]:
        """The version texts the library gives: 0 the library, 1 its state, 2 and 3 the
        writer's versions recorded in the file (RGD only)."""
        result = {}
        for component in range(4):
            text = _lib.ZARFqueryVersion(component, self._live())
            if text:
                result[component] = text.decode("latin-1").strip()
        return result

    def fields(self, record: int = 1) -> List[Field]:
        """The header fields of a record, in header order (a field that occurs in several
        parent headers is listed at each place)."""
        ids = [ident for ident, _ in self._header(record)]
        return [self._field(record, ident) for ident in ids]

    # ---- values ------------------------------------------------------------------------
    def column(self, which: Union[int, str, None] = None) -> Column:
        """A column by short name, by number (from 1) or, with None, the first."""
        if which is None:
            return self.columns[0]
        for c in self.columns:
            if (isinstance(which, str) and c.short_name == which) or (isinstance(which, int) and c.number == which):
                return c
        raise RavlioError(f"{self.path} has no column {which!r}")

    def values(self, record: int, column: Union[int, str, None] = None) -> np.ndarray:
        self._select(column)
        size = self._size(record)
        values = np.empty(size, dtype=np.float32)
        if size and _lib.ZARFreadDepValues(self._handle, record, values.ctypes.data, size) <= 0:
            self._fail(f"cannot read the values of record {record}")
        return values

    def abscissa(self, record: int, column: Union[int, str, None] = None) -> np.ndarray:
        self._select(column)
        size = self._size(record)
        x = np.empty(size, dtype=np.float64)
        if size and _lib.ZARFreadIndValuesDouble(self._handle, record, x.ctypes.data, size) < size:
            self._fail(f"cannot read the abscissa of record {record}")
        return x

    def metadata(self, record: int) -> Dict[str, float]:
        """The header values of a record by field name, each as the library gives it for the
        field's identifier (a field that occurs in several parent headers has one value)."""
        ids = list(dict.fromkeys(ident for ident, _ in self._header(record)))
        if not ids:
            return {}
        requests = (ctypes.c_int * len(ids))(*ids)
        responses = np.full(len(ids), np.nan, dtype=np.float32)
        if _lib.ZARFreadRealMetadata(self._handle, record, requests, len(ids),
                                     responses.ctypes.data_as(ctypes.POINTER(ctypes.c_float))) < 0:
            self._fail(f"cannot read the header of record {record}")
        return {self._description(record, ident, _SHORT_NAME) or str(ident): float(responses[k])
                for k, ident in enumerate(ids) if requests[k] == ident}

    def record(self, record: int, column: Union[int, str, None] = None) -> Record:
        c = self.column(column)
        return Record(record, c, self.abscissa(record, c.number), self.values(record, c.number), self.metadata(record))

    # ---- internals ---------------------------------------------------------------------
    def _live(self) -> int:
        if not self._handle:
            raise RavlioError(f"{self.path} is closed")
        return self._handle

    def _fail(self, what: str) -> None:
        reason = _lib.ZARFlastError(self._handle)
        raise RavlioError(f"{what} of {self.path}: " + (reason.decode("latin-1") if reason else "unknown error"))

    def _check_record(self, record: int) -> None:
        count = self.record_count
        if not 1 <= record <= count:
            raise RavlioError(f"record {record} is out of range ({self.path} has {count} records)")

    def _size(self, record: int) -> int:
        size = _lib.ZARFreadRecordSize(self._live(), record)
        if size <= 0:
            # Zero is also the library's answer for a record it does not have.
            self._check_record(record)
            if size < 0:
                raise RavlioError(f"record {record} of {self.path} is not complete yet")
        return size

    def _select(self, which: Union[int, str, None]) -> Column:
        if which is None and self._selected == 1:
            return self.columns[0]
        c = self.column(which)
        if self._selected != c.number:
            if not _lib.ZARFselectData(self._live(), _DEPENDENT_AXIS, c.data_type) and not (
                c.number != c.data_type and _lib.ZARFselectData(self._handle, _DEPENDENT_AXIS, c.number)
            ):
                self._fail(f"cannot select column {c.number}")
            self._selected = c.number
        return c

    def _read_columns(self) -> List[Column]:
        count = max(0, min(_lib.ZARFqueryMaxDataCount(self._handle), 4096))
        types = (ctypes.c_int * max(count, 1))()
        stored = _lib.ZARFqueryDataTypes(self._handle, types, count) if count > 0 else 0
        ids = list(types[: min(stored, count)]) if stored > 0 else [0]
        return [
            Column(n, t, *(self._data_text(n, kind) for kind in (_SHORT_NAME, _LABEL, _LONG_NAME, _UNITS)))
            for n, t in enumerate(ids, start=1)
        ]

    def _data_text(self, data_id: int, kind: int) -> str:
        buffer = ctypes.create_string_buffer(_TEXT_SIZE + 1)
        _lib.ZARFreadDataStringDesc(self._handle, data_id, kind, buffer, _TEXT_SIZE)
        return _text(buffer.raw)

    def _description(self, record: int, ident: int, kind: int) -> str:
        buffer = ctypes.create_string_buffer(_TEXT_SIZE + 1)
        _lib.ZARFreadMetadataStringDesc(self._handle, record, ident, kind, buffer, _TEXT_SIZE)
        return _text(buffer.raw)

    def _field(self, record: int, ident: int) -> Field:
        return Field(ident, *(self._description(record, ident, kind) for kind in (_SHORT_NAME, _LABEL, _LONG_NAME, _UNITS)))

    def _header(self, record: int):
        self._check_record(record)
        count = min(_lib.ZARFqueryMaxMetadataCount(self._handle, record), 100000)
        if count <= 0:
            return []
        requests = (ctypes.c_int * count)(*([_WILDCARD_FIELD] * count))
        responses = np.zeros(count, dtype=np.float32)
        if _lib.ZARFreadRealMetadata(self._handle, record, requests, count,
                                     responses.ctypes.data_as(ctypes.POINTER(ctypes.c_float))) < 0:
            self._fail(f"cannot read the header of record {record}")
        return [(ident, float(responses[k])) for k, ident in enumerate(requests)
                if 0 < ident != _WILDCARD_FIELD]


def open(path: Union[str, os.PathLike]) -> RavlioFile:  # noqa: A001 - the module's entry point
    """Opens a data file for reading; the library finds its format."""
    return RavlioFile(path)
