"""The package checks' fixtures: the release files made with
scripts/package.sh in a temporary folder, a "newer build" (the same files
under the next revision number), a release packaged again under another time
zone and umask, a throwaway code-signing certificate and a release signed
with it, and Wine: a virtual display and a fresh prefix for each
architecture, set up by scripts/wine-env.sh. Nothing is left: the temporary
folder with its prefixes goes, and the Wine servers and the display are
ended, also when the run is interrupted or terminated.

QUORLIN_PACKAGES_SKIPPED names a file into which the run writes how many
checks it skipped (those that start x86 programs where the host runs no
32-bit programs)."""
import dataclasses
import os
import random
import shutil
import signal
import subprocess
import tempfile
from pathlib import Path

import pytest

from support import ROOT, run

ENV = {k: v for k, v in os.environ.items() if k != "LANGUAGE"} | {"LC_ALL": "C.UTF-8"}
skipped = 0


def pytest_configure(config):
    # Terminated, the run ends as on Ctrl-C: with its fixtures' cleanup.
    signal.signal(signal.SIGTERM, signal.default_int_handler)


def pytest_runtest_logreport(report):
    global skipped
    skipped += report.skipped


def pytest_sessionfinish(session):
    if os.environ.get("QUORLIN_PACKAGES_SKIPPED"):
        Path(os.environ["QUORLIN_PACKAGES_SKIPPED"]).write_text(f"{skipped}\n")


@dataclasses.dataclass
class Release:
    dir: Path
    version: str

    def file(self, arch, ext):
        return self.dir / f"Quorlin-{self.version}-{arch}.{ext}"


@pytest.fixture(scope="session")
def tmp():
    path = Path(tempfile.mkdtemp(prefix="quorlin-packages."))
    yield path
    shutil.rmtree(path, ignore_errors=True)


def package(out, *args, **kw):
    run(["./scripts/package.sh", "--out", out, *args], **kw)
    return out


@pytest.fixture(scope="session")
def dist(tmp):
    out = package(tmp / "dist", env=ENV)
    msis = sorted(out.glob("Quorlin-*-x86.msi"))
    assert msis, f"the release has no x86 MSI: {sorted(os.listdir(out))}"
    return Release(out, msis[0].name.removeprefix("Quorlin-").removesuffix("-x86.msi"))


@pytest.fixture(scope="session")
def newer(tmp, dist):
    head, _, revision = dist.version.rpartition(".")
    version = f"{head}.{int(revision) + 1}"
    return Release(package(tmp / "newer", "--version", version, env=ENV), version)


@pytest.fixture(scope="session")
def again(tmp, dist):
    return package(tmp / "again", env=ENV | {"TZ": "Pacific/Kiritimati"}, umask=0o077)


@dataclasses.dataclass
class Signer:
    pem: Path
    pfx: Path
    password: str
    env: dict


@pytest.fixture(scope="session")
def signer(tmp):
    """A throwaway self-signed code-signing certificate, and its .pfx."""
    password = f"test {random.randrange(32768)}"
    env = ENV | {"QUORLIN_SIGN_PASSWORD": password}
    run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", tmp / "signer.key",
         "-out", tmp / "signer.pem", "-days", "2", "-subj", "/CN=Quorlin test signer",
         "-addext", "keyUsage=critical,digitalSignature", "-addext", "extendedKeyUsage=codeSigning"])
    run(["openssl", "pkcs12", "-export", "-inkey", tmp / "signer.key", "-in", tmp / "signer.pem",
         "-out", tmp / "signer.pfx", "-passout", "env:QUORLIN_SIGN_PASSWORD"], env=env)
    return Signer(tmp / "signer.pem", tmp / "signer.pfx", password, env)


@pytest.fixture(scope="session")
def signed(tmp, dist, signer):
    """The release signed with it; its zips unpacked into signed-ARCH."""
    release = Release(package(tmp / "signed", "--sign", signer.pfx, env=signer.env), dist.version)
    for arch in ("x86", "x64"):
        run(["unzip", "-q", release.file(arch, "zip"), "-d", tmp / f"signed-{arch}"])
    return release


# Sets up the display and the x64 prefix with scripts/wine-env.sh, copies
# the prefix for x86 before anything is installed, hands its environment
# over, and keeps the display until its input ends (the fixture's end, or
# the run's), then ends both prefixes' processes and the display; so too
# when the run ends before Wine is ready (its output then ends).
WINE = r'''
tmp=$1
cleanup() {
  if declare -F quorlin_wine_cleanup >/dev/null; then
    for p in "$tmp/pfx-x64" "$tmp/pfx-x86"; do
      [ ! -d "$p" ] || WINEPREFIX=$p quorlin_wine_cleanup
    done
  fi
}
trap cleanup EXIT
trap 'exit 141' PIPE
trap 'exit 143' TERM
export WINEPREFIX=$tmp/pfx-x64 QUORLIN_WORK=$tmp
source scripts/wine-env.sh
[ -f "$WINEPREFIX/system.reg" ] || quorlin_wine_fail "no registry in the fresh prefix $WINEPREFIX"
wineserver -w  # the registry is on disk once the server has gone
cp -a "$tmp/pfx-x64" "$tmp/pfx-x86"
env -0 >"$tmp/wine.env"
echo ready
exec >/dev/null
read -r _ || true
'''


@pytest.fixture(scope="session")
def wine(tmp):
    with open(tmp / "wine-env.log", "w+b") as log:
        helper = subprocess.Popen(["bash", "-c", WINE, "wine", tmp], stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, stderr=log, cwd=ROOT, env=ENV)
        try:
            if helper.stdout.readline() != b"ready\n":
                log.seek(0)
                pytest.fail(f"Wine did not start (exit code {helper.wait()}):\n{log.read().decode(errors='replace')}")
            yield dict(item.split("=", 1) for item in (tmp / "wine.env").read_text().split("\0") if item)
        finally:
            helper.stdout.close()
            helper.stdin.close()
            helper.wait()
