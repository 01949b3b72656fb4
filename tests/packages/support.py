"""What the package checks run and read: commands whose failure shows the
whole of their output, the registry as `reg query` prints it and as Wine
keeps it on disk, the tables of an MSI, and Quorlin's window."""
import collections
import dataclasses
import os
import re
import shlex
import subprocess
import tempfile
import time
import uuid
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]


def text(data):
    return data.decode("utf-8", "backslashreplace").replace("\r", "")


@dataclasses.dataclass
class Result:
    cmd: list
    rc: int
    out: str
    err: str

    def __str__(self):
        return (f"command: {shlex.join(map(str, self.cmd))}\nexit code: {self.rc}\n"
                f"stdout:\n{self.out}\nstderr:\n{self.err}")


def run(cmd, env=None, ok=True, cwd=ROOT, **kw):
    """Runs CMD with its output into files (a pipe after wine would wait for
    the prefix's services, which keep it open). Unless OK is False, a
    failure raises with the command, its exit code and its output."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        rc = subprocess.run([str(c) for c in cmd], stdout=out, stderr=err, env=env, cwd=cwd, **kw).returncode
        out.seek(0)
        err.seek(0)
        result = Result(cmd, rc, text(out.read()), text(err.read()))
    if ok and rc != 0:
        raise AssertionError(f"failed:\n{result}")
    return result


def reg_query(env, key, *flags):
    """`wine reg query KEY FLAGS` as {key: {name: value}}; nothing where
    there is no such key."""
    keys, values = {}, {}
    for line in run(["wine", "reg", "query", key, *flags], env=env, ok=False).out.splitlines():
        if line.startswith("HKEY_"):
            values = keys.setdefault(line, {})
        elif line.startswith("    "):
            name, _, value = (line[4:].split("    ", 2) + ["", ""])[:3]
            values[name] = value
    return keys


UNINSTALL = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"


def arp(env, view):
    """The Add/Remove entries named Quorlin in one registry view (32 or 64)."""
    return {key: values for key, values in reg_query(env, UNINSTALL, "/s", f"/reg:{view}").items()
            if values.get("DisplayName") == "Quorlin"}


def product_icons(env):
    """The product icon that Add/Remove shows: the Installer's ProductIcon
    value of each product named Quorlin."""
    products = reg_query(env, r"HKLM\Software\Classes\Installer\Products", "/s").values()
    return [values.get("ProductIcon", "") for values in products if values.get("ProductName") == "Quorlin"]


def packed(guid):
    """The Installer's packed form of a GUID: its first three groups
    reversed, each byte of the rest with its two digits swapped."""
    h = uuid.UUID(guid).hex.upper()
    return h[7::-1] + h[11:7:-1] + h[15:11:-1] + "".join(h[i + 1] + h[i] for i in range(16, 32, 2))


def table(msi, name):
    """The rows of one table of an MSI, each a list of its fields."""
    return [row.split("\t") for row in run(["msiinfo", "export", msi, name]).out.splitlines()[3:]]


@dataclasses.dataclass
class Snapshot:
    reg: collections.Counter
    files: set


def snapshot(env):
    """The prefix's registry as "[key]<TAB>line" lines (and each key's own
    line), and the paths under its drive C:, once its server has gone."""
    run(["timeout", "120", "wineserver", "-w"], env=env, ok=False)
    prefix = Path(env["WINEPREFIX"])
    reg = collections.Counter()
    for hive in ("system", "user"):
        key = ""
        for line in (prefix / f"{hive}.reg").read_text(encoding="latin-1").splitlines():
            if line.startswith("["):
                key = re.sub(r"\] \d+$", "]", line)
                reg[key] += 1
            elif line and not line.startswith(("#", "WINE REGISTRY", ";;")):
                reg[f"{key}\t{line}"] += 1
    drive = prefix / "drive_c"
    files = set()
    for folder, dirs, names in os.walk(drive):
        files.update(os.path.relpath(os.path.join(folder, n), drive) for n in dirs + names)
    return Snapshot(reg, files)


def leftovers(before, after, env):
    """What an uninstall left: registry lines and paths that were not there
    before. Not counted: the Windows Installer's own empty container keys and
    its folder, and the empty Uninstall key of the 32-bit view (a 64-bit-only
    Wine makes it only when the x86 package installs), which Windows keeps
    too; and the display adapter's driver date that Wine's display driver
    rewrites at each start."""
    def counted(line):
        key_only = "\t" not in line
        return not (key_only and re.search(r"\\\\Installer(\\\\|\])", line)
                    or key_only and line == r"[Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall]"
                    or line.startswith(r"[System\\CurrentControlSet\\Control\\Class\\"))
    installer = Path(env["WINEPREFIX"], "drive_c/windows/Installer")
    return ([line for line in sorted((after.reg - before.reg).elements()) if counted(line)]
            + [path for path in sorted(after.files - before.files)
               if path != "windows/Installer" or any(installer.iterdir())])


def assert_starts_with_window(env, target, log):
    """Starts a program (a Unix path: an exe, or a shortcut through
    start.exe), waits for Quorlin's main window ("Velkomir"), up to 30 s
    times QUORLIN_WIN32_TIME_SCALE, then ends the prefix's processes."""
    cmd = ["wine", "start", "/unix", target] if str(target).endswith(".lnk") else ["wine", target]
    with open(log, "wb") as out:
        program = subprocess.Popen([str(c) for c in cmd], stdout=out, stderr=out, env=env, cwd=ROOT)
    tries = 150 * int(env.get("QUORLIN_WIN32_TIME_SCALE", "1"))
    for _ in range(tries):
        tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, env=env).stdout
        shown = b'"Velkomir": ("quorlin.exe"' in tree
        if shown:
            break
        time.sleep(0.2)
    run(["wineserver", "-k"], env=env, ok=False)
    program.wait()
    run(["wineserver", "-w"], env=env)
    assert shown, (f"no window \"Velkomir\" of quorlin.exe within {tries * 0.2:.0f} s of\n"
                   f"{Result(cmd, program.returncode, text(Path(log).read_bytes()), '(with stdout)')}")


def assert_cmd_answers(env, exe, version):
    """QuorlinCmd.exe answers where it was put: its version block's version,
    and C: in its list."""
    answer = run(["wine", exe, "--version"], env=env)
    assert answer.out.rstrip("\n") == f"QuorlinCmd Ver.:{version.replace('.', ', ')}", answer
    answer = run(["wine", exe, "list"], env=env)
    assert "C:\\  Fixed" in answer.out.splitlines(), answer
