#!/usr/bin/env python3
"""The who table of scripts/bench.sh: "QuorlinCmd who E:" beside a bare walk
of the same handle list (bench/who_reference_win.cpp), with holder processes
(bench/who_holder_win.cpp) keeping N file handles open, half on a removable
E: and half on C:. Runs inside the Wine prefix that bench.sh set up
(WINEPREFIX and the rest in the environment).

Per row: the median wall and CPU time of several runs of each, alternating;
CPU counts the program's own process and the Wine server's work for it (the
server does the handle copies). The peak working set is the largest
resident size of the program's process. Prints a Markdown table.
"""
import argparse
import os
import resource
import subprocess
import sys
import time

from bench_table import column_median, markdown_table

TICKS = os.sysconf("SC_CLK_TCK")


def fail(message):
    print(f"bench_who.py: {message}", file=sys.stderr)
    sys.exit(1)


def server_pid():
    """The prefix's wineserver, by the prefix in its environment."""
    prefix = os.environ["WINEPREFIX"].encode()
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                if b"wineserver" not in os.path.basename(f.read().split(b"\0")[0]):
                    continue
            with open(f"/proc/{entry}/environ", "rb") as f:
                if b"WINEPREFIX=" + prefix in f.read().split(b"\0"):
                    return int(entry)
        except OSError:
            continue
    return None


def server_cpu(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def run(args, out_path, server):
    """One start under Wine: (wall s, CPU s, peak resident MB, exit code)."""
    before = server_cpu(server)
    with open(out_path, "wb") as out, open(out_path + ".err", "wb") as err:
        start = time.perf_counter()
        child = subprocess.Popen(["wine", *args], stdout=out, stderr=err)
        _, status, usage = os.wait4(child.pid, 0)
        wall = time.perf_counter() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    cpu = usage.ru_utime + usage.ru_stime + server_cpu(server) - before
    return wall, cpu, usage.ru_maxrss / 1024, child.returncode


def winpath(path):
    return "Z:" + os.path.realpath(path).replace("/", "\\")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True, help="the build's bin folder")
    parser.add_argument("--work", required=True, help="a scratch folder")
    parser.add_argument("--sizes", default="2000,20000,100000")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--distinct", type=int, default=16000,
                        help="most distinct files (Wine's server keeps a descriptor each)")
    options = parser.parse_args()
    sizes = [int(n) for n in options.sizes.split(",")]
    exe = {name: os.path.join(options.bin, name + ".exe")
           for name in ("QuorlinCmd", "quorlin_bench_who_holder", "quorlin_bench_who_reference")}

    # The server needs a descriptor per open file: as many as may be had.
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))
    subprocess.run(["wineserver", "-k"], stderr=subprocess.DEVNULL, check=False)
    subprocess.run(["wineserver", "-w"], check=False)
    subprocess.run(["wineserver", "-p"], check=True)
    server = server_pid()
    if server is None:
        fail("the Wine server of the prefix was not found")
    with open(f"/proc/{server}/limits") as f:
        limit = next(line.split()[3] for line in f if line.startswith("Max open files"))
    print(f"open-file limit of the Wine server: {limit}")

    drive = os.path.join(options.work, "who-drive")
    os.makedirs(drive, exist_ok=True)
    if subprocess.run(["wine", exe["quorlin_bench_who_holder"], "drive", "e", drive],
                      check=False).returncode:
        fail("the removable drive E: could not be made")
    os.makedirs(os.path.join(os.environ["WINEPREFIX"], "drive_c", "who"), exist_ok=True)
    time.sleep(1.5)  # Wine's processes look at the drives again after a second

    print(f"load before: {open('/proc/loadavg').read().split()[:3]}")
    rows = []
    for n in sizes:
        processes = 10 if n <= 2000 else 20 if n <= 20000 else 50
        files = min(n, options.distinct) // processes
        holders = []
        for i in range(processes):
            name = f"{n}-{i}"
            for root in (drive, os.path.join(os.environ["WINEPREFIX"], "drive_c", "who")):
                os.makedirs(os.path.join(root, name), exist_ok=True)
            ready = os.path.join(options.work, f"ready-{name}")
            holders.append((subprocess.Popen(
                ["wine", exe["quorlin_bench_who_holder"], "hold", f"E:\\{name}",
                 f"C:\\who\\{name}", str(files), str(n // processes), winpath(ready)],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL), ready))
        deadline = time.time() + 600
        while not all(os.path.exists(r) for _, r in holders):
            if time.time() > deadline or any(h.poll() is not None for h, _ in holders):
                fail(f"the holders of {n} handles did not start")
            time.sleep(0.2)
        out = os.path.join(options.work, "who.txt")
        form = subprocess.run(["wine", exe["quorlin_bench_who_reference"], "choose"],
                              capture_output=True, text=True, check=True).stdout.strip()
        who, ref = [], []
        for r in range(options.runs):
            pair = [("who", ["QuorlinCmd", "who", "E:"]), ("ref", ["quorlin_bench_who_reference", form])]
            for kind, args in pair if r % 2 == 0 else reversed(pair):
                result = run([exe[args[0]], *args[1:]], out, server)
                if kind == "who":
                    with open(out, "rb") as f:
                        lines = f.read().count(b"\n")
                    with open(out + ".err", "rb") as f:
                        complete = f.read() == b""
                    who.append((*result, lines, complete))
                else:
                    ref.append(result)
                    with open(out) as f, open(out + ".err") as e:
                        walked = f.read().strip() + "; " + e.read().strip()
        for h, _ in holders:
            h.kill()
            h.wait()
        expected = processes * (files - files // 2)
        outcome = ("complete" if all(w[5] for w in who) else "INCOMPLETE") + (
            "" if all(w[4] == expected for w in who) else f", lines {[w[4] for w in who]}"
            f" not {expected}")
        rows.append((n, processes, *(column_median(who, k) for k in range(2)),
                     *(column_median(ref, k) for k in range(2)), column_median(who, 2),
                     column_median(ref, 2), form, outcome))
        print(f"N={n} done: reference {walked}; load {open('/proc/loadavg').read().split()[:3]}",
              flush=True)

    base = rows[0][2] / rows[0][0]
    print()
    print(f"QuorlinCmd who E: beside the reference walk, median of {options.runs} runs each")
    print()
    header = ["N", "processes", "who wall s", "who CPU s", "reference wall s", "reference CPU s",
              "wall ratio", "CPU ratio", "who µs per handle", "vs first row", "who peak MB",
              "reference peak MB", "reference's name form", "outcome"]
    cells = [[f"{n:,}", str(p), f"{ww:.2f}", f"{wc:.2f}", f"{rw:.2f}", f"{rc:.2f}",
              f"{ww / rw:.3f} x", f"{wc / rc:.3f} x", f"{ww / n * 1e6:.0f}", f"{ww / n / base:.2f} x",
              f"{wm:.0f}", f"{rm:.0f}", form, outcome]
             for n, p, ww, wc, rw, rc, wm, rm, form, outcome in rows]
    for line in markdown_table(header, cells, [True] * 12 + [False] * 2, padded=False):
        print(line)
    print()
    print("targets: wall ratio <= 1.25 x at every N; per handle at the last row <= 1.2 x the first")


if __name__ == "__main__":
    main()
