"""The shipped install folder under Wine: the release zip unpacked fresh,
the fallback batch file, and folder names beyond the legacy code page."""

import os
import shutil
import unittest
import zipfile

from harness import (
    BANNER,
    LAUNCHER_NAME,
    WORK,
    assert_started_in,
    cpack,
    fresh_folder,
    install_folder,
    parse_report,
    run,
    windows_path,
)

VERSION = os.environ["PROJECT_VERSION"]
# This build ships the stand-in, so its packages are named as a demo.
ZIP_NAME = f"Quillmesh-Connector-{VERSION}-win64-demo"


class UnpackedZip(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        packages = fresh_folder("package")
        cpack(packages)
        archive = packages / f"{ZIP_NAME}.zip"
        cls.unpacked = fresh_folder("Fresh Folder With Spaces")
        with zipfile.ZipFile(archive) as package:
            package.extractall(cls.unpacked)
        cls.folder = cls.unpacked / ZIP_NAME

    def test_holds_the_whole_install_folder(self):
        names = sorted(
            str(p.relative_to(self.folder)) for p in self.folder.rglob("*") if p.is_file()
        )
        self.assertEqual(
            names,
            [
                LAUNCHER_NAME,
                "Run Connector.bat",
                "py/STAND-IN-NOT-PYTHON.txt",
                "py/python.exe",
                "quillmesh-connector.py",
            ],
        )

    def test_launcher_runs_from_the_unpacked_folder(self):
        result = run(self.folder / LAUNCHER_NAME, cwd=fresh_folder("zip elsewhere"))
        self.assertEqual(result.status, 0, result.stderr)
        assert_started_in(self, result.report(), self.folder)

    def test_batch_file_starts_the_interpreter_in_its_own_folder(self):
        batch = windows_path(self.folder / "Run Connector.bat")
        result = run("cmd", args=["/c", batch], cwd=fresh_folder("bat elsewhere"))
        self.assertEqual(result.status, 0, result.stdout + result.stderr)
        assert_started_in(self, parse_report(result.stdout), self.folder)

    def test_batch_file_explains_a_failure_and_waits(self):
        broken = WORK / "broken install"
        shutil.rmtree(broken, ignore_errors=True)
        shutil.copytree(self.folder, broken)
        shutil.rmtree(broken / "py")
        # stdin is empty, so the pause that keeps the window open returns.
        result = run("cmd", args=["/c", windows_path(broken / "Run Connector.bat")])
        self.assertIn(b"The Quillmesh Connector ended with an error", result.stdout)
        self.assertIn(b"Press any key", result.stdout)


class FolderNamesBeyondTheAnsiCodePage(unittest.TestCase):
    """The manifest makes the 8-bit calls UTF-8, so such folders work."""

    def test_child_gets_the_folder_undamaged(self):
        names = [
            "Коннектор",  # Cyrillic: not in Windows-1252
            "ソフト表",  # Japanese: both ソ and 表 end in byte 0x5C in Shift-JIS
            "Café Größe",  # Western: in Windows-1252 and in UTF-8
            "Квиллмеш ソ 表 Connector",
        ]
        for name in names:
            with self.subTest(folder=name):
                folder = fresh_folder("utf-8", name)
                result = run(install_folder(folder))
                self.assertEqual(result.status, 0, result.stderr)
                self.assertTrue(result.stdout.startswith(BANNER))
                assert_started_in(self, result.report(), folder)


if __name__ == "__main__":
    unittest.main()
