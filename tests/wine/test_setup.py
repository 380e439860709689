"""The setup program made by cpack, run for real under Wine: a silent per-user
install, its Start Menu shortcut and uninstall entry, failures, reinstall and
uninstall; and a signed build made from the same sources.

Besides the harness's settings, CTest passes CPACK_COMMAND, CPACK_CONFIG,
PROJECT_VERSION, PROJECT_SOURCE_DIR, TOOLCHAIN_FILE, OBJDUMP and WINDRES."""

import os
import re
import shutil
import struct
import subprocess
import time
import unittest
import zipfile

from harness import (
    LAUNCHER_EXE,
    LAUNCHER_NAME,
    PREFIX,
    WORK,
    assert_started_in,
    cpack,
    fresh_folder,
    run,
    run_commands,
    windows_path,
    wine,
)

VERSION = os.environ["PROJECT_VERSION"]
PACKAGE = f"Quillmesh-Connector-{VERSION}-win64-demo"  # this build ships the stand-in
UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall"
ENTRY_KEY = UNINSTALL_KEY + r"\Quillmesh Connector"
UNINSTALLER = "Uninstall.exe"


def tool(name, *args):
    return subprocess.run(
        [os.environ[name], *args], capture_output=True, text=True, check=True
    ).stdout


DEFAULT_FOLDER = lambda: wine.user_folder(PREFIX) / "AppData/Local/Programs/Quillmesh Connector"
SHORTCUT = lambda: (
    wine.user_folder(PREFIX)
    / "AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
    / "Quillmesh Connector.lnk"
)


def install(setup, target=None):
    """Runs the setup silently, as a script would. /D= must come last and
    unquoted, even with spaces: a batch file gives it that way, with the
    folder from the environment so that any name arrives undamaged."""
    line = '"%SETUP%" /S' + (" /D=%TARGET%" if target else "")
    env = {"SETUP": windows_path(setup), "TARGET": target and windows_path(target) or ""}
    return run_commands(line, "exit /b %errorlevel%", env=env)


def uninstall(folder):
    """Runs the uninstaller silently. It copies itself to %TEMP% and returns
    at once, so wait for its copy to finish the work."""
    result = run(folder / UNINSTALLER, args=["/S"])
    deadline = time.monotonic() + 60
    while (folder / UNINSTALLER).exists() or entries():
        if time.monotonic() > deadline:
            break
        time.sleep(0.2)
    return result


def entries():
    """The uninstall entries with our display name: {key name: {value: data}}."""
    exported = WORK / "uninstall.reg"
    exported.unlink(missing_ok=True)
    run("reg", args=["export", UNINSTALL_KEY, windows_path(exported), "/y"])
    if not exported.exists():
        return {}
    keys, values = {}, None
    for line in exported.read_bytes().decode("utf-16").splitlines():
        section = re.fullmatch(r"\[(.*)\]", line)
        if section:
            values = keys.setdefault(section.group(1).rsplit("\\", 1)[-1], {})
            continue
        value = re.fullmatch(r'"((?:[^"\\]|\\.)*)"=(?:"((?:[^"\\]|\\.)*)"|dword:(\w+))', line)
        if value and values is not None:
            name, text, dword = value.groups()
            unescape = lambda s: re.sub(r"\\(.)", r"\1", s)
            values[unescape(name)] = unescape(text) if text is not None else int(dword, 16)
    return {k: v for k, v in keys.items() if v.get("DisplayName") == "Quillmesh Connector"}


def shortcut_target_folder_and_icon(path):
    """Reads a Shell Link (.lnk): the target's local path from its link info,
    the working directory and the icon's file from its string data."""
    data = path.read_bytes()
    flags = struct.unpack_from("<I", data, 0x14)[0]
    position = 0x4C
    if flags & 0x01:  # an ID list comes first
        position += 2 + struct.unpack_from("<H", data, position)[0]
    size, _, _, _, base = struct.unpack_from("<5I", data, position)
    target = data[position + base : data.index(b"\0", position + base)].decode("latin-1")
    position += size
    strings = {}
    for bit, name in (
        (0x04, "name"),
        (0x08, "relative"),
        (0x10, "folder"),
        (0x20, "args"),
        (0x40, "icon"),
    ):
        if flags & bit:
            count = struct.unpack_from("<H", data, position)[0]
            strings[name] = data[position + 2 : position + 2 + 2 * count].decode("utf-16-le")
            position += 2 + 2 * count
    return target, strings.get("folder", "").rstrip("\0"), strings.get("icon", "").rstrip("\0")


def files_in(folder):
    return sorted(str(p.relative_to(folder)) for p in folder.rglob("*") if p.is_file())


def clean_slate():
    """No install of ours in the prefix."""
    run("reg", args=["delete", ENTRY_KEY, "/f"])
    SHORTCUT().unlink(missing_ok=True)
    shutil.rmtree(DEFAULT_FOLDER(), ignore_errors=True)


class SetupProgram(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        packages = fresh_folder("packages")
        cpack(packages)
        cls.setup = packages / f"{PACKAGE}-setup.exe"
        # The zip holds exactly the install folder that cmake --install lays out.
        with zipfile.ZipFile(packages / f"{PACKAGE}.zip") as archive:
            names = [n.split("/", 1)[1] for n in archive.namelist() if not n.endswith("/")]
        cls.layout = sorted([*names, UNINSTALLER])

    def setUp(self):
        clean_slate()

    def test_is_a_64_bit_program_that_asks_for_no_elevation(self):
        self.assertRegex(tool("OBJDUMP", "-p", str(self.setup)), r"Magic\s+020b\s+\(PE32\+\)")
        # The manifest is stored as plain text among the resources.
        manifest = re.search(rb"<assembly.*?</assembly>", self.setup.read_bytes(), re.S).group()
        self.assertRegex(manifest, rb'<requestedExecutionLevel level="asInvoker"')
        self.assert_carries_name_version_and_icon(self.setup)

    def assert_carries_name_version_and_icon(self, exe):
        resources = tool("WINDRES", "-i", str(exe), "-O", "rc")
        self.assertTrue('VALUE "ProductName", "Quillmesh Connector"' in resources)
        self.assertTrue(f'VALUE "ProductVersion", "{VERSION}"' in resources)
        self.assertTrue("RT_GROUP_ICON" in resources)

    def test_silent_install_into_any_folder_name(self):
        folder = fresh_folder("setup", "Program Files Коннектор ünïcode") / "Quillmesh Connector"
        result = install(self.setup, folder)
        self.assertEqual(result.status, 0, result.stdout + result.stderr)
        self.assertEqual(files_in(folder), self.layout)
        self.assert_carries_name_version_and_icon(folder / UNINSTALLER)
        launched = run(folder / LAUNCHER_NAME, cwd=fresh_folder("setup elsewhere"))
        self.assertEqual(launched.status, 0, launched.stderr)
        assert_started_in(self, launched.report(), folder)
        self.assertEqual(list(entries().values())[0]["InstallLocation"], windows_path(folder))

    def test_default_folder_shortcut_and_uninstall_entry(self):
        result = install(self.setup)
        self.assertEqual(result.status, 0, result.stdout + result.stderr)
        folder = DEFAULT_FOLDER()
        self.assertEqual(files_in(folder), self.layout)
        windows_folder = "C:\\" + str(folder.relative_to(PREFIX / "drive_c")).replace("/", "\\")
        launcher = f"{windows_folder}\\{LAUNCHER_NAME}"
        self.assertEqual(
            shortcut_target_folder_and_icon(SHORTCUT()), (launcher, windows_folder, launcher)
        )
        uninstaller = f'"{windows_folder}\\{UNINSTALLER}"'
        self.assertEqual(
            entries(),
            {
                "Quillmesh Connector": {
                    "DisplayName": "Quillmesh Connector",
                    "DisplayVersion": VERSION,
                    "Publisher": "Quillmesh",
                    "DisplayIcon": f"{launcher},0",
                    "InstallLocation": windows_folder,
                    "UninstallString": uninstaller,
                    "QuietUninstallString": f"{uninstaller} /S",
                    "NoModify": 1,
                    "NoRepair": 1,
                }
            },
        )

    def test_a_failed_install_says_so_and_registers_nothing(self):
        blocked = fresh_folder("setup blocked")
        (blocked / "a file").write_text("in the way of the folder")
        (blocked / "folder" / "quillmesh-connector.py").mkdir(parents=True)
        cases = [
            # what stands in the way, target
            ("a file where a parent folder must be", blocked / "a file" / "Quillmesh Connector"),
            ("a folder where a file must be written", blocked / "folder"),
        ]
        for case, target in cases:
            with self.subTest(case):
                clean_slate()
                result = install(self.setup, target)
                self.assertNotEqual(result.status, 0)
                self.assertEqual(entries(), {})
                self.assertFalse(SHORTCUT().exists())
                # Never quietly installed somewhere else instead.
                self.assertFalse(DEFAULT_FOLDER().exists())

    def test_install_over_an_install_replaces_it_in_place(self):
        # The same package made once more as the next patch version.
        newer = fresh_folder("packages newer")
        cpack(
            newer,
            *[
                "-G",
                "NSIS",
                "-D",
                "CPACK_PACKAGE_VERSION=9.8.7",
                "-D",
                "CPACK_PACKAGE_FILE_NAME=newer",
            ],
            *["-D", "CPACK_PACKAGE_VERSION_MAJOR=9", "-D", "CPACK_PACKAGE_VERSION_MINOR=8"],
            *["-D", "CPACK_PACKAGE_VERSION_PATCH=7"],
        )
        for case, second, version in (
            ("same version", self.setup, VERSION),
            ("newer version", newer / "newer-setup.exe", "9.8.7"),
        ):
            with self.subTest(case):
                clean_slate()
                folder = fresh_folder("setup again") / "Quillmesh Connector"
                self.assertEqual(install(self.setup, folder).status, 0)
                launcher = folder / LAUNCHER_NAME
                launcher.write_bytes(b"damaged")
                self.assertEqual(install(second, folder).status, 0)
                self.assertEqual(launcher.read_bytes(), LAUNCHER_EXE.read_bytes())
                self.assertEqual(files_in(folder), self.layout)
                self.assertEqual([e["DisplayVersion"] for e in entries().values()], [version])

    def test_silent_uninstall_leaves_nothing_of_ours(self):
        folder = fresh_folder("setup remove") / "Quillmesh Connector"
        self.assertEqual(install(self.setup, folder).status, 0)
        self.assertTrue(SHORTCUT().exists())
        self.assertEqual(uninstall(folder).status, 0)
        self.assertFalse(folder.exists(), files_in(folder) if folder.exists() else None)
        self.assertFalse(SHORTCUT().exists())
        self.assertEqual(entries(), {})

    def test_uninstall_keeps_what_the_user_added(self):
        folder = fresh_folder("setup keep") / "Quillmesh Connector"
        self.assertEqual(install(self.setup, folder).status, 0)
        (folder / "my notes.txt").write_text("mine")
        uninstall(folder)
        self.assertEqual(files_in(folder), ["my notes.txt"])


def verify(exe, cert):
    """osslsigncode's verdict on an exe's signature, against our certificate."""
    return subprocess.run(
        ["osslsigncode", "verify", "-CAfile", str(cert), "-in", str(exe)],
        capture_output=True,
        text=True,
    )


class Signing(unittest.TestCase):
    """A build configured with a (throwaway) certificate signs the launcher,
    the setup program and its uninstaller."""

    @classmethod
    def setUpClass(cls):
        work = fresh_folder("signed")
        cls.cert, key = work / "cert.pem", work / "key.pem"
        subprocess.run(
            ["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "30"]
            + ["-subj", "/CN=Quillmesh Test Signing", "-addext", "extendedKeyUsage=codeSigning"]
            + ["-keyout", str(key), "-out", str(cls.cert)],
            check=True,
            capture_output=True,
        )
        build = work / "build"
        for command in (
            ["cmake", "-S", os.environ["PROJECT_SOURCE_DIR"], "-B", str(build)]
            + ["-DCMAKE_TOOLCHAIN_FILE=" + os.environ["TOOLCHAIN_FILE"], "-DBUILD_TESTING=OFF"]
            + [f"-DQUILLMESH_SIGN_CERT={cls.cert}", f"-DQUILLMESH_SIGN_KEY={key}"],
            ["cmake", "--build", str(build), "--parallel", "2"],
        ):
            subprocess.run(command, check=True, capture_output=True, timeout=600)
        cpack(work / "packages", config=build / "CPackConfig.cmake")
        cls.launcher = build / "launcher" / LAUNCHER_NAME
        cls.setup = work / "packages" / f"{PACKAGE}-setup.exe"
        cls.zip = work / "packages" / f"{PACKAGE}.zip"

    def assert_signed(self, exe):
        verdict = verify(exe, self.cert)
        self.assertEqual(verdict.returncode, 0, verdict.stdout + verdict.stderr)
        self.assertRegex(verdict.stdout, r"digest algorithm\s*:\s*SHA256")

    def test_launcher_setup_and_uninstaller_are_signed(self):
        self.assert_signed(self.launcher)
        self.assert_signed(self.setup)
        unpacked = fresh_folder("signed", "unpacked")
        with zipfile.ZipFile(self.zip) as archive:
            archive.extractall(unpacked)
        self.assert_signed(unpacked / PACKAGE / LAUNCHER_NAME)
        folder = fresh_folder("signed", "installed") / "Quillmesh Connector"
        self.assertEqual(install(self.setup, folder).status, 0)
        try:
            self.assert_signed(folder / LAUNCHER_NAME)
            self.assert_signed(folder / UNINSTALLER)
            # Signed, the launcher still runs.
            launched = run(folder / LAUNCHER_NAME)
            self.assertEqual(launched.status, 0, launched.stderr)
            assert_started_in(self, launched.report(), folder)
        finally:
            uninstall(folder)

    def test_without_a_certificate_nothing_is_signed(self):
        self.assertNotEqual(verify(LAUNCHER_EXE, self.cert).returncode, 0)


if __name__ == "__main__":
    unittest.main()
