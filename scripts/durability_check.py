#!/usr/bin/python3
"""Traces a vorncalv run with strace and checks the order in which it puts things on the disk.

    durability_check.py [--trace FILE] -- COMMAND [ARGS...]

Runs COMMAND (normally vorncalv, its answers on standard input) under strace and follows
every write to a product (.RLC, .IMC, .RES, .CVS, also under the temporary name a new product
is created with) until an fsync or fdatasync of that file puts it on the disk. Two rules:

  - no update of a status file (.STC: a rename onto it, or a write into it) while a product
    holds a record written since its last sync: the status file would count a record that a
    power cut can still take away;
  - a run that exits 0 has synced every product it wrote.

Prints one line with what it saw and exits 0 when both rules hold, 1 when one is broken
(each breach said on standard error), 2 when the command cannot be traced. Needs strace.
"""
import os
import re
import subprocess
import sys
import tempfile

PRODUCT = re.compile(r"\.(RLC|IMC|RES|CVS)(\.new\d+)?$")
STATUS = re.compile(r"\.STC$")
LINE = re.compile(r"^(\d+)\s+(\w+)\((.*)\)\s+=\s+(-?\d+|\?)")
FD_PATH = re.compile(r"^\d+<([^>]*)>")
QUOTED = re.compile(r'"((?:[^"\\]|\\.)*)"')


def unquote(text):
    return bytes(text, "utf-8").decode("unicode_escape")


def check(trace_lines, main_pid):
    dirty = {}  # product path -> records written since its last sync
    seen = {"writes": 0, "syncs": 0, "status updates": 0}
    breaches = []

    def status_update(what):
        seen["status updates"] += 1
        unsynced = sorted(p for p, n in dirty.items() if n)
        if unsynced:
            breaches.append(f"{what} while unsynced: {', '.join(unsynced)}")

    for line in trace_lines:
        m = LINE.match(line)
        if not m:
            continue
        pid, call, args, result = int(m.group(1)), m.group(2), m.group(3), m.group(4)
        if result != "?" and int(result) < 0:
            continue
        fd = FD_PATH.match(args)
        path = fd.group(1) if fd else None
        if call in ("write", "pwrite64", "pwritev", "pwritev2", "writev") and path:
            if PRODUCT.search(path):
                dirty[path] = dirty.get(path, 0) + 1
                seen["writes"] += 1
            elif STATUS.search(path):
                status_update(f"write into {path}")
        elif call in ("fsync", "fdatasync") and path:
            if path in dirty:
                dirty[path] = 0
                seen["syncs"] += 1
        elif call in ("rename", "renameat", "renameat2", "link", "linkat"):
            names = [unquote(q) for q in QUOTED.findall(args)]
            if len(names) < 2:
                continue
            source, target = names[0], names[-1]
            source = os.path.abspath(source) if not os.path.isabs(source) else source
            target = os.path.abspath(target) if not os.path.isabs(target) else target
            if source in dirty:
                dirty[target] = dirty.pop(source)
            if STATUS.search(target):
                status_update(f"{call} onto {target}")
        elif call == "exit_group" and pid == main_pid and args.strip() == "0":
            unsynced = sorted(p for p, n in dirty.items() if n)
            if unsynced:
                breaches.append(f"exit status 0 while unsynced: {', '.join(unsynced)}")
    return seen, breaches


def main(argv):
    trace_file = None
    if len(argv) >= 2 and argv[0] == "--trace":
        trace_file, argv = argv[1], argv[2:]
    if not argv or argv[0] != "--" or len(argv) < 2:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    command = argv[1:]
    with tempfile.TemporaryDirectory() as tmp:
        out = trace_file or os.path.join(tmp, "trace")
        traced = ["strace", "-f", "-y", "-qq", "-o", out, "-e",
                  "trace=write,writev,pwrite64,pwritev,pwritev2,fsync,fdatasync,rename,renameat,renameat2,"
                  "link,linkat,exit_group"] + command
        try:
            run = subprocess.run(traced, stdin=sys.stdin, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        except FileNotFoundError:
            print("durability_check: strace is not installed", file=sys.stderr)
            return 2
        with open(out, encoding="utf-8", errors="replace") as f:
            lines = f.readlines()
    pids = [int(m.group(1)) for m in map(LINE.match, lines) if m]
    seen, breaches = check(lines, pids[0] if pids else -1)
    for b in breaches:
        print("durability_check: " + b, file=sys.stderr)
    print(f"exit status {run.returncode}; product writes {seen['writes']}, product syncs {seen['syncs']}, "
          f"status updates {seen['status updates']}, breaches {len(breaches)}")
    return 1 if breaches else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
