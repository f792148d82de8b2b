"""Time per record of reading values through the ravlio module, to set beside the C API's
figure of bench/convert_bench (BM_CApiRead, same file shape: 400 records of 9000 points).

    RAVLIO_LIBRARY=build/libravlio.so python3 python/bench_read.py FILE
"""
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import ravlio  # noqa: E402


def main(path: str, repeats: int = 5) -> None:
    best = float("inf")
    with ravlio.open(path) as f:
        count = f.record_count
        for _ in range(repeats):
            start = time.perf_counter()
            for record in range(1, count + 1):
                f.values(record)
            best = min(best, time.perf_counter() - start)
    print(f"{count} records: {best * 1e3:.2f} ms, {best / count * 1e6:.1f} us per record (best of {repeats})")


if __name__ == "__main__":
    main(sys.argv[1])
