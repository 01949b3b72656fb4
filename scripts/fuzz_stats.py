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
    done = [line for line in log if re.match(r"#[0-9]+\s+DONE", line)]
    if not done:
        fail(f"the log of {target} has no DONE line: the run did not finish")
    last = done[-1]

    def stat(pattern, lines):
        return "\n".join(m.group(1) for m in map(re.compile(pattern).match, lines) if m)

    execs = stat(r"stat::number_of_executed_units: *(.*)", log)
    rate = stat(r"stat::average_exec_per_sec: *(.*)", log)
    secs = stat(r"Done [0-9]* runs in ([0-9]*) second", log)
    # The last of each in the line, as a greedy match finds it.
    cov = stat(r".* cov: ([0-9]*) ", [last])
    ft = stat(r".* ft: ([0-9]*) ", [last])
    corp = stat(r".* corp: ([0-9]*/[0-9]*[bKM]*) ", [last])
    return f"{target}: {execs} executions in {secs} s ({rate} exec/s), cov {cov}, ft {ft}, corpus {corp}"


def main():
    if len(sys.argv) != 3:
        fail("usage: scripts/fuzz_stats.py TARGET LOG")
    try:
        with open(sys.argv[2], encoding="utf-8", errors="replace") as f:
            log = f.read().split("\n")
    except OSError as error:
        fail(f"cannot read {sys.argv[2]}: {error.strerror}")
    print(figures(sys.argv[1], log))


if __name__ == "__main__":
    main()
