#!/usr/bin/env python3
"""The figures of one libFuzzer run of scripts/fuzz.sh, read from its log:
the executions and their rate from the final statistics, the seconds from
the closing "Done" line, and the coverage, features and corpus from the
last status line (the DONE one). Prints them in one line:

    scripts/fuzz_stats.py TARGET LOG
"""
import re
import sys


def fail(message):
    print(f"fuzz_stats.py: {message}", file=sys.stderr)
    sys.exit(1)


def figures(target, log):
    done = re.findall(r"^#[0-9]+\s+DONE .*$", log, re.M)
    if not done:
        fail(f"the log of {target} has no DONE line: the run did not finish")

    def find(pattern, text=log):
        found = re.search(pattern, text, re.M)
        return found.group(1) if found else ""

    execs = find(r"^stat::number_of_executed_units: *(.*)$")
    rate = find(r"^stat::average_exec_per_sec: *(.*)$")
    secs = find(r"^Done [0-9]* runs in ([0-9]*) second")
    cov, ft, corp = (find(pattern, done[-1]) for pattern in
                     (r" cov: ([0-9]*) ", r" ft: ([0-9]*) ", r" corp: ([0-9]*/[0-9]*[bKM]*) "))
    return f"{target}: {execs} executions in {secs} s ({rate} exec/s), cov {cov}, ft {ft}, corpus {corp}"


def main():
    if len(sys.argv) != 3:
        fail("usage: scripts/fuzz_stats.py TARGET LOG")
    try:
        with open(sys.argv[2], encoding="utf-8", errors="replace") as f:
            log = f.read()
    except OSError as error:
        fail(f"cannot read {sys.argv[2]}: {error.strerror}")
    print(figures(sys.argv[1], log))


if __name__ == "__main__":
    main()
