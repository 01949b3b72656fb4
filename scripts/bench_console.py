#!/usr/bin/env python3
"""The console table of scripts/bench.sh: whole starts of QuorlinCmd.exe, one
command line at a time, each paired with a start of a bare console program
(bench/console_reference_win.cpp). Runs inside the Wine prefix that bench.sh
set up, with its server and desktop kept up (WINEPREFIX and the rest in the
environment).

Under Wine the CPU time of a process that has ended can be read only from the
Unix side (GetProcessTimes of another process reads 0, and its threads' times
go with them), so each start is a child of this script, the Wine loader
running the exe in its own Unix process, and its CPU is the children's user
and system time (getrusage, which the shell's `times` prints) right before
and after it.

Per command line: one untimed start of each (the first start of a program
reads its files), then pairs of starts in alternating order; the figures are
the medians of the CPU and wall times and of each pair's ratios. A line that
this QuorlinCmd.exe does not understand (exit code 64) is left out with a
note. Prints a Markdown table.
"""
import argparse
import os
import resource
import subprocess
import sys
import time

from bench_table import column_median, markdown_table

HEADER = ["command line", "exit", "CPU ms", "reference", "CPU vs reference", "wall ms",
          "reference", "wall vs reference", "target (CPU)", "met"]
# The command line and the target columns are left-aligned, the figures right.
RIGHT = [False] + [True] * 7 + [False, False]


def fail(message):
    print(f"bench_console.py: {message}", file=sys.stderr)
    sys.exit(1)


def load():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def target(line, free):
    """The target of the CPU ratio for a command line ("" for none)."""
    if line in ("list", "list --json", "--version", f"eject {free}:"):
        return "1.25"
    return "2" if line == "report C:" else ""


def start(args, work):
    """One start under Wine, its output to files: (CPU ms, wall ms, exit code)."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    with open(os.path.join(work, "out.txt"), "wb") as out, \
            open(os.path.join(work, "err.txt"), "wb") as err:
        began = time.perf_counter()
        code = subprocess.run(["wine", *args], stdout=out, stderr=err, check=False).returncode
        wall = time.perf_counter() - began
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime + after.ru_stime) - (before.ru_utime + before.ru_stime)
    # A start ended by a signal, as the shell would give it.
    return cpu * 1000, wall * 1000, code if code >= 0 else 128 - code


def row(line, options):
    """The table's row for a command line, or None when QuorlinCmd.exe does
    not know it."""
    cmd, reference = [options.quorlincmd, *line.split()], options.reference
    _, _, code = start(cmd, options.work)
    if code == 64:
        return None
    start([reference], options.work)
    pairs = []
    for i in range(options.pairs):
        if i % 2 == 0:
            c_cpu, c_wall, _ = start(cmd, options.work)
            r_cpu, r_wall, _ = start([reference], options.work)
        else:
            r_cpu, r_wall, _ = start([reference], options.work)
            c_cpu, c_wall, _ = start(cmd, options.work)
        if r_cpu <= 0 or r_wall <= 0:
            fail(f"a start of the reference took no time as measured (pair {i} of {line}), "
                 "so no ratio can be made")
        pairs.append((c_cpu, c_wall, r_cpu, r_wall, c_cpu / r_cpu, c_wall / r_wall))
        if options.verbose != "0":
            print(f"QuorlinCmd {line}, pair {i}: {c_cpu:.3f} ms CPU, {c_wall:.3f} ms; "
                  f"reference {r_cpu:.3f} ms CPU, {r_wall:.3f} ms", file=sys.stderr)
    cpu_ratio = column_median(pairs, 4)
    goal = target(line, options.free)
    return [line, str(code), f"{column_median(pairs, 0):.1f}", f"{column_median(pairs, 2):.1f}",
            f"{cpu_ratio:.3f} x", f"{column_median(pairs, 1):.1f}",
            f"{column_median(pairs, 3):.1f}", f"{column_median(pairs, 5):.3f} x",
            f"<= {goal} x" if goal else "", ("yes" if cpu_ratio <= float(goal) else "NO") if goal else ""]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--quorlincmd", required=True, help="the QuorlinCmd.exe measured")
    parser.add_argument("--reference", required=True, help="the bare console program")
    parser.add_argument("--pairs", type=int, default=21)
    parser.add_argument("--work", required=True, help="a scratch folder")
    parser.add_argument("--preset", required=True, help="the build's preset, for the heading")
    parser.add_argument("--free", required=True, help="the drive letter that eject is given")
    parser.add_argument("--verbose", default="0", help="not 0: every pair on the standard error")
    parser.add_argument("lines", nargs="+", metavar="LINE", help="the command lines (after --)")
    options = parser.parse_args()
    if options.pairs < 1:
        fail("--pairs wants a positive number")

    print()
    print(f"load before the console starts: {load()}", flush=True)
    rows, skipped = [], []
    for line in options.lines:
        measured = row(line, options)
        if measured is None:
            skipped.append(line)
        else:
            rows.append(measured)
    print(f"load after: {load()}")
    print()
    print(f"QuorlinCmd.exe ({options.preset}) beside the bare console program: whole starts, "
          f"median of {options.pairs} pairs")
    print()
    # The table as the driver prints its own: columns padded, the figures
    # right-aligned.
    for line in markdown_table(HEADER, rows, RIGHT):
        print(line)
    for line in skipped:
        print(f"not measured: {line} (this QuorlinCmd.exe does not know it: exit code 64)")


if __name__ == "__main__":
    main()
