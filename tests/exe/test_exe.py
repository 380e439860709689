"""What the built launcher exe carries, read back from the file itself.

CTest passes: LAUNCHER_EXE (as shipped), LAUNCHER_WITHOUT_ICON_EXE (the same
without its icon), OBJDUMP, WINDRES and PROJECT_VERSION.
"""

import os
import pathlib
import re
import subprocess
import unittest

MANIFEST = pathlib.Path(__file__).resolve().parents[2] / "launcher" / "quillmesh-launcher.manifest"
LAUNCHER = os.environ["LAUNCHER_EXE"]
WITHOUT_ICON = os.environ["LAUNCHER_WITHOUT_ICON_EXE"]
VERSION = os.environ["PROJECT_VERSION"]
SIZE_LIMIT = 45056  # bytes, with manifest and version information, without the icon

SYSTEM_DLLS = re.compile(r"KERNEL32\.dll|msvcrt\.dll|api-ms-win-crt-[a-z-]+-l1-1-0\.dll", re.I)


def tool(name, *args):
    return subprocess.run(
        [os.environ[name], *args], capture_output=True, text=True, check=True
    ).stdout


def resources(exe):
    """The exe's resources, decompiled to resource-script text."""
    return tool("WINDRES", "-i", exe, "-O", "rc")


def manifest(exe):
    # windres prints the manifest as quoted lines with doubled quotes.
    text = resources(exe).split("1 24 /* RT_MANIFEST */", 1)[1].split("END", 1)[0]
    lines = re.findall(r'^\s*"(.*)"\s*$', text, re.M)
    return "".join(lines).replace('""', '"').replace("\\n", "\n")


class Executable(unittest.TestCase):
    def test_is_a_64_bit_console_program(self):
        headers = tool("OBJDUMP", "-p", LAUNCHER)
        self.assertRegex(headers, r"Magic\s+020b\s+\(PE32\+\)")
        self.assertRegex(headers, r"Subsystem\s+00000003\s+\(Windows CUI\)")

    def test_imports_only_the_systems_own_dlls(self):
        for exe in (LAUNCHER, WITHOUT_ICON):
            with self.subTest(exe=exe):
                dlls = re.findall(r"DLL Name: (\S+)", tool("OBJDUMP", "-p", exe))
                self.assertIn("KERNEL32.dll", dlls)
                self.assertEqual([d for d in dlls if not SYSTEM_DLLS.fullmatch(d)], [])

    def test_has_no_link_timestamp(self):
        self.assertRegex(tool("OBJDUMP", "-p", LAUNCHER), r"Time/Date\s+Thu Jan  1 00:00:00 1970")

    def test_stays_small(self):
        size = os.path.getsize(WITHOUT_ICON)
        print(f"\nlauncher size: {size} bytes without icon, {os.path.getsize(LAUNCHER)} with")
        self.assertLessEqual(size, SIZE_LIMIT)


class Resources(unittest.TestCase):
    def test_version_information_matches_the_project(self):
        script = resources(LAUNCHER)
        numbers = ", ".join(VERSION.split(".")[:3] + ["0"])
        self.assertIn(f"FILEVERSION {numbers}", script)
        self.assertIn(f"PRODUCTVERSION {numbers}", script)
        for name, value in (
            ("ProductName", "Quillmesh Connector"),
            ("FileDescription", "Quillmesh Connector launcher"),
            ("FileVersion", VERSION),
            ("ProductVersion", VERSION),
            ("OriginalFilename", "Quillmesh Connector.exe"),
        ):
            self.assertIn(f'VALUE "{name}", "{value}"', script)

    def test_carries_the_manifest_unchanged(self):
        for exe in (LAUNCHER, WITHOUT_ICON):
            with self.subTest(exe=exe):
                self.assertEqual(manifest(exe), MANIFEST.read_text(encoding="utf-8"))

    def test_icon_in_several_sizes_only_where_shipped(self):
        script = resources(LAUNCHER)
        group = re.search(r"1 14 /\* RT_GROUP_ICON \*/(.*?)\n\n", script, re.S).group(1)
        widths = [int(w, 8) or 256 for w in re.findall(r'"\\(\d{3})\\\d{3}\\000\\000"', group)]
        self.assertEqual(widths, [16, 24, 32, 48, 256])
        self.assertEqual(len(re.findall(r"^\d+ 3 /\* RT_ICON \*/", script, re.M)), len(widths))
        self.assertNotIn("RT_ICON", resources(WITHOUT_ICON))


if __name__ == "__main__":
    unittest.main()
