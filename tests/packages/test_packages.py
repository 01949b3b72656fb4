"""The release files checked the way a Windows user meets them, under Wine.

For x86 and x64: the MSI's tables; a silent install into a fresh Wine
prefix; the installed files byte for byte; the Start-menu shortcut and the
Add/Remove entry with icon, publisher and version; Quorlin started from the
shortcut shows its window and the installed QuorlinCmd.exe answers;
installing again and installing the newer build leave one entry;
uninstalling leaves no file, folder or registry value behind; the zip
unpacks to the same files, its Quorlin.exe starts and its QuorlinCmd.exe
answers. Packaging again under another time zone and umask gives the same
bytes. A release signed with a throwaway certificate verifies with it, its
programs are the unsigned ones plus a signature, and its MSIs install and
uninstall as cleanly; a missing or bad certificate, a wrong password or a
failing time stamp server is refused in one line and leaves the output
folder as it was. On a host that runs no 32-bit programs (scripts/host.sh)
the x86 MSI is still installed and checked, but its programs are not
started: those checks are skipped."""
import filecmp
import re
import shutil
from pathlib import Path

import pytest

from support import (ROOT, arp, assert_cmd_answers, assert_starts_with_window, leftovers, packed,
                     product_icons, reg_query, run, snapshot, table)

PROGRAMS = ["Quorlin.exe", "QuorlinCmd.exe"]
SHIPPED = sorted(PROGRAMS + ["README.txt", "README.ja.txt", "LICENSE.txt"])
PRESET = {"x86": "win32", "x64": "win64"}


def built(arch, exe):
    return ROOT / "build" / PRESET[arch] / "bin" / exe


def assert_same(a, b):
    assert filecmp.cmp(a, b, shallow=False), f"{a} is not the same as {b}"


def sums_hold(folder):
    sums = (folder / "SHA256SUMS").read_text()
    assert sums.count("\n") == 4, sums
    run(["sha256sum", "-c", "--quiet", "SHA256SUMS"], cwd=folder)


def test_sha256sums_lists_the_four_files_with_their_hashes(dist):
    sums_hold(dist.dir)


def test_packaging_again_later_under_another_time_zone_and_umask_gives_the_same_files(dist, again):
    first, second = (Path(d, "SHA256SUMS").read_text() for d in (dist.dir, again))
    assert first == second, f"first:\n{first}again:\n{second}"


def test_sha256sums_of_the_signed_release_covers_the_signed_files(signed):
    sums_hold(signed.dir)


@pytest.mark.parametrize("arch", PRESET)
@pytest.mark.parametrize("file", PROGRAMS + ["msi"])
def test_signed_file_verifies_with_the_certificate_as_root(tmp, signer, signed, arch, file):
    path = signed.file(arch, "msi") if file == "msi" else tmp / f"signed-{arch}" / file
    run(["osslsigncode", "verify", "-CAfile", signer.pem, "-in", path])


@pytest.mark.parametrize("arch", PRESET)
@pytest.mark.parametrize("exe", PROGRAMS)
def test_signed_zip_program_without_its_signature_is_the_builds_own(tmp, signed, arch, exe):
    run(["scripts/same-program.sh", tmp / f"signed-{arch}" / exe, built(arch, exe)])


def test_same_program_tells_a_changed_program_from_the_builds_own(tmp, signer):
    program = built("x64", "QuorlinCmd.exe")
    data = program.read_bytes()
    (tmp / "changed.exe").write_bytes(data[:1000] + b"X" + data[1001:])
    (tmp / "password").write_text(signer.password + "\n")
    run(["osslsigncode", "sign", "-pkcs12", signer.pfx, "-readpass", tmp / "password",
         "-in", tmp / "changed.exe", "-out", tmp / "changed-signed.exe"])
    told = run(["scripts/same-program.sh", tmp / "changed-signed.exe", program], ok=False)
    assert told.rc == 1 and "is another program than" in told.err, told


@pytest.mark.parametrize("word, password, sign", [
    ("cannot read", None, ["none.pfx"]),
    ("no PKCS#12", None, ["LICENSE"]),
    ("wrong password", "wrong", ["signer.pfx"]),
    ("signing Quorlin.exe failed", None, ["signer.pfx", "--timestamp", "http://127.0.0.1:9/"]),
], ids=["a missing certificate file", "a file that is no certificate", "a wrong password",
        "a time stamp server that does not answer"])
def test_signing_is_refused_in_one_line_and_leaves_the_output_as_it_was(tmp, dist, signer, word, password, sign):
    out = tmp / "refused"
    shutil.rmtree(out, ignore_errors=True)
    shutil.copytree(dist.dir, out, symlinks=True)
    certificate = sign[0] if sign[0] == "LICENSE" else tmp / sign[0]
    refused = run(["./scripts/package.sh", "--out", out, "--sign", certificate, *sign[1:]],
                  env=signer.env | {"QUORLIN_SIGN_PASSWORD": password or signer.password}, ok=False)
    assert refused.rc != 0 and refused.err.count("\n") == 1 and word in refused.err, refused
    contents = [{p.relative_to(d): p.is_file() and p.read_bytes() for p in d.rglob("*")} for d in (dist.dir, out)]
    assert contents[0] == contents[1], f"{out} is no longer {dist.dir}"


class Arch:
    """One architecture's MSI and zip, in a prefix of its own, in order:
    each fixture takes the prefix one step on."""
    arch = view = other = folder = pf = platform = ""

    def installed_dir(self, env):
        return Path(env["WINEPREFIX"], "drive_c", self.folder, "Quorlin")

    def starting(self, wine):
        if self.arch == "x86" and wine["QUORLIN_HOST_WIN32"] == "0":
            pytest.skip(f"starts an x86 program: this host runs no 32-bit programs ({wine['QUORLIN_HOST_WIN32_WHY']})")

    @pytest.fixture(scope="class")
    def msi(self, dist):
        return dist.file(self.arch, "msi")

    @pytest.fixture(scope="class")
    def zipped(self, tmp, dist):
        run(["unzip", "-q", dist.file(self.arch, "zip"), "-d", tmp / f"zip-{self.arch}"])
        return tmp / f"zip-{self.arch}"

    @pytest.fixture(scope="class")
    def env(self, tmp, wine):
        return wine | {"WINEPREFIX": str(tmp / f"pfx-{self.arch}")}

    @pytest.fixture(scope="class")
    def before(self, env):
        return snapshot(env)

    @pytest.fixture(scope="class")
    def installed(self, env, msi, before):
        run(["wine", "msiexec", "/i", msi, "/qn"], env=env)

    @pytest.fixture(scope="class")
    def icons(self, env, installed):
        return product_icons(env)

    @pytest.fixture(scope="class")
    def installed_again(self, env, msi, installed):
        run(["wine", "msiexec", "/i", msi, "/qn"], env=env)

    @pytest.fixture(scope="class")
    def newer_installed(self, env, newer, installed_again):
        run(["wine", "msiexec", "/i", newer.file(self.arch, "msi"), "/qn"], env=env)

    @pytest.fixture(scope="class")
    def uninstalled(self, env, newer, newer_installed, before):
        run(["wine", "msiexec", "/x", newer.file(self.arch, "msi"), "/qn"], env=env)
        return leftovers(before, snapshot(env), env)

    @pytest.fixture(scope="class")
    def signed_installed(self, env, signed, uninstalled):
        run(["wine", "msiexec", "/i", signed.file(self.arch, "msi"), "/qn"], env=env)

    @pytest.fixture(scope="class")
    def signed_uninstalled(self, env, signed, signed_installed, before):
        run(["wine", "msiexec", "/x", signed.file(self.arch, "msi"), "/qn"], env=env)
        return leftovers(before, snapshot(env), env)

    # What Windows reads from the package itself.
    def test_msi_product_quorlin_by_tesserine_per_machine(self, msi, dist):
        names = {"ProductName", "Manufacturer", "ProductVersion", "ALLUSERS"}
        rows = sorted(row for row in table(msi, "Property") if row[0] in names)
        assert rows == [["ALLUSERS", "1"], ["Manufacturer", "Tesserine"], ["ProductName", "Quorlin"],
                        ["ProductVersion", dist.version]], rows

    def test_msi_upgrade_row_includes_its_maximum_version(self, msi, dist):
        row = rf"\{{[-0-9A-F]*\}}\t0\.0\.0\t{re.escape(dist.version)}\t\t768\t\tWIX_UPGRADE_DETECTED"
        rows = ["\t".join(r) for r in table(msi, "Upgrade")]
        assert any(re.fullmatch(row, r) for r in rows), rows

    def test_msi_summary_names_the_platform_and_japanese(self, msi):
        summary = run(["msiinfo", "suminfo", msi])
        assert f"Template: {self.platform};1041" in summary.out.splitlines(), summary

    def test_msi_installs_under_its_program_files_folder(self, msi):
        assert ["INSTALLDIR", self.pf, "Quorlin"] in table(msi, "Directory")

    # The zip: exactly the shipped files, the programs as built.
    def test_zip_holds_the_programs_and_the_documents(self, zipped):
        assert (names := sorted(p.name for p in zipped.iterdir())) == SHIPPED, names

    def test_msi_installs_the_same_files_as_the_zip(self, msi, zipped):
        files = sorted(row[2] for row in table(msi, "File"))
        assert files == sorted(p.name for p in zipped.iterdir()), files

    @pytest.mark.parametrize("exe", PROGRAMS)
    def test_zip_program_is_the_builds_own_byte_for_byte(self, zipped, exe):
        assert_same(zipped / exe, built(self.arch, exe))

    @pytest.mark.parametrize("file", SHIPPED)
    def test_msi_installed_file_is_byte_identical_to_the_built_one(self, env, zipped, installed, file):
        assert_same(self.installed_dir(env) / file, zipped / file)

    def test_msi_one_add_remove_entry_in_its_view(self, env, installed):
        assert len(entries := arp(env, self.view)) == 1, entries

    def test_msi_no_add_remove_entry_in_the_other_view(self, env, installed):
        assert len(entries := arp(env, self.other)) == 0, entries

    def test_msi_add_remove_entry_names_publisher_tesserine(self, env, installed):
        entries = arp(env, self.view)
        assert [e.get("Publisher") for e in entries.values()] == ["Tesserine"], entries

    def test_msi_add_remove_entry_shows_the_version(self, env, dist, installed):
        entries = arp(env, self.view)
        assert [e.get("DisplayVersion") for e in entries.values()] == [dist.version], entries

    def test_msi_add_remove_icon_is_installed(self, env, icons):
        assert len(icons) == 1 and icons[0], icons
        assert_same(run(["winepath", "-u", icons[0]], env=env).out.rstrip("\n"), ROOT / "res/quorlin.ico")

    # Wine's msi puts a per-machine shortcut into the installing user's Start
    # menu; Windows uses the all-users one. Either way there is one.
    def links(self, env):
        c = Path(env["WINEPREFIX"], "drive_c")
        return [p for p in [c / "ProgramData/Microsoft/Windows/Start Menu/Programs/Quorlin.lnk",
                            *c.glob("users/*/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Quorlin.lnk")]
                if p.is_file()]

    def test_msi_one_start_menu_shortcut_quorlin(self, env, installed):
        assert len(links := self.links(env)) == 1, links

    def test_msi_shortcut_points_at_the_installed_quorlin_exe_with_the_programs_icon(self, env, icons):
        links = self.links(env)
        assert links and len(icons) == 1, (links, icons)
        data = links[0].read_bytes()
        # The target path in ANSI, the icon location in UTF-16; either will do.
        for want in (f"C:\\{self.folder}\\Quorlin\\Quorlin.exe", icons[0]):
            assert any(want.encode(code) in data for code in ("cp932", "utf-16-le")), f"{links[0]} lacks {want}"

    def test_msi_quorlin_started_from_the_shortcut_shows_its_window(self, tmp, wine, env, installed):
        self.starting(wine)
        assert_starts_with_window(env, self.links(env)[0], tmp / "start.log")

    def test_msi_the_installed_quorlincmd_exe_answers(self, wine, env, dist, installed):
        self.starting(wine)
        assert_cmd_answers(env, self.installed_dir(env) / "QuorlinCmd.exe", dist.version)

    def test_msi_installing_again_leaves_one_entry(self, env, installed_again):
        assert len(entries := arp(env, self.view)) == 1, entries

    def test_msi_the_newer_build_replaces_the_entry(self, env, newer, newer_installed):
        entries = arp(env, self.view)
        assert [e.get("DisplayVersion") for e in entries.values()] == [newer.version], entries

    # The newer build ships the same programs: what tells its files from the
    # older build's is the product that the Windows Installer has them for.
    def test_msi_quorlin_exe_is_in_place_installed_by_the_newer_build_alone(self, env, newer, newer_installed):
        msi = newer.file(self.arch, "msi")
        products = [row[1] for row in table(msi, "Property") if row[0] == "ProductCode"]
        components = [row[1] for row in table(msi, "Component")]
        assert len(products) == 1 and len(components) == 1, (products, components)
        key = rf"HKLM\Software\Microsoft\Windows\CurrentVersion\Installer\UserData\S-1-5-18\Components\{packed(components[0])}"
        owners = {n: v for values in reg_query(env, key, "/reg:64").values() for n, v in values.items()}
        assert owners == {packed(products[0]): f"C:\\{self.folder}\\Quorlin\\Quorlin.exe"}, (packed(products[0]), owners)

    def test_msi_the_newer_builds_quorlin_exe_is_the_built_one(self, env, zipped, newer_installed):
        assert_same(self.installed_dir(env) / "Quorlin.exe", zipped / "Quorlin.exe")

    def test_msi_uninstall_leaves_nothing_behind(self, uninstalled):
        assert not uninstalled, "left behind:\n" + "\n".join(uninstalled)

    def test_msi_no_add_remove_entry_after_uninstall(self, env, uninstalled):
        assert len(entries := arp(env, self.view)) == 0, entries

    # The signed MSI, as cleanly.
    def test_signed_msi_installed_quorlin_exe_is_the_signed_one(self, tmp, env, signed_installed):
        assert_same(self.installed_dir(env) / "Quorlin.exe", tmp / f"signed-{self.arch}/Quorlin.exe")

    def test_signed_msi_one_add_remove_entry(self, env, signed_installed):
        assert len(entries := arp(env, self.view)) == 1, entries

    def test_signed_msi_uninstall_leaves_nothing_behind(self, signed_uninstalled):
        assert not signed_uninstalled, "left behind:\n" + "\n".join(signed_uninstalled)

    def test_zip_its_quorlin_exe_starts_and_shows_its_window(self, tmp, wine, env, zipped):
        self.starting(wine)
        assert_starts_with_window(env, zipped / "Quorlin.exe", tmp / "start.log")

    def test_zip_its_quorlincmd_exe_answers(self, wine, env, dist, zipped):
        self.starting(wine)
        assert_cmd_answers(env, zipped / "QuorlinCmd.exe", dist.version)


class TestX86(Arch):
    arch, view, other = "x86", "32", "64"
    folder, pf, platform = "Program Files (x86)", "ProgramFilesFolder", "Intel"


class TestX64(Arch):
    arch, view, other = "x64", "64", "32"
    folder, pf, platform = "Program Files", "ProgramFiles64Folder", "x64"
