"""The launcher against install folders and interpreters that try to break it."""

import os
import shutil
import subprocess
import time
import unittest

from harness import (
    BANNER,
    LAUNCHER_NAME,
    REPORT_KEYS,
    WINE_LOADER,
    WORK,
    assert_started_in,
    fresh_folder,
    install_folder,
    parse_report,
    run,
    run_batch,
    run_commands,
    start_failure,
    wine_environment,
    windows_path,
)

HOSTILE_NAMES = [
    "  two leading spaces",
    "spaces  in   the middle",
    "a&b",
    "caret^name",
    "%PATH%",
    "bang!name",
    "it's",
    "(paren)",
    "semi;colon",
    "comma,name",
    "equals=name",
    "#hash",
    "-leading-dash",
    "x",
    "A & B (x86) 100% ^! ;,= #",
]


def taskkill(pid):
    subprocess.run(
        [WINE_LOADER, "taskkill", "/F", "/PID", str(pid)],
        env=wine_environment(),
        stdin=subprocess.DEVNULL,
        capture_output=True,
        timeout=60,
    )


class HostileFolderNames(unittest.TestCase):
    def check_child(self, result, folder):
        self.assertEqual(result.status, 0, result.stderr)
        assert_started_in(self, result.report(), folder)

    def test_launcher_and_batch_file_pass_the_folder_through_untouched(self):
        for name in HOSTILE_NAMES:
            folder = fresh_folder("names", name)
            elsewhere = fresh_folder("names elsewhere")
            with self.subTest(folder=name, started="launcher"):
                result = run(install_folder(folder), cwd=elsewhere)
                self.assertTrue(result.stdout.startswith(BANNER), result.stdout)
                self.check_child(result, folder)
            # The batch file is the user's fallback: it must survive the same names.
            with self.subTest(folder=name, started="Run Connector.bat"):
                if "%" in name:
                    self.skipTest(
                        "known platform difference: Wine's cmd expands the % signs in what "
                        "%~dp0 gives once more (Windows' cmd does not), so the folder is lost"
                    )
                shutil.copyfile(os.environ["RUN_CONNECTOR_BAT"], folder / "Run Connector.bat")
                self.check_child(run_batch(folder / "Run Connector.bat", cwd=elsewhere), folder)


class WaysOfStarting(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = fresh_folder("started", "real install")
        cls.launcher = install_folder(cls.folder)

    def report_of(self, result):
        self.assertEqual(result.status, 0, result.stderr)
        return result.report()

    def test_relative_paths_find_the_launchers_own_folder(self):
        unix_relative = run(os.path.join("real install", LAUNCHER_NAME), cwd=self.folder.parent)
        assert_started_in(self, self.report_of(unix_relative), self.folder)
        sibling = fresh_folder("started", "sibling")
        result = run_commands(
            f'cd /d "{windows_path(sibling)}"', f'"..\\real install\\{LAUNCHER_NAME}"'
        )
        assert_started_in(self, self.report_of(result), self.folder)

    def test_working_directory_on_another_drive(self):
        result = run_commands("cd /d C:\\windows", f'"{windows_path(self.launcher)}"')
        assert_started_in(self, self.report_of(result), self.folder)

    def test_through_a_linked_folder(self):
        link = WORK / "started" / "linked install"
        if link.is_symlink():
            link.unlink()
        link.symlink_to(self.folder, target_is_directory=True)
        # The folder as the user reached it, which is the install folder itself.
        assert_started_in(self, self.report_of(run(link / LAUNCHER_NAME)), link)

    def test_through_a_link_to_the_exe_itself(self):
        # The module path is the link's, as on Windows: its folder holds no
        # interpreter, and the launcher says so instead of starting another.
        links = fresh_folder("started", "exe link")
        (links / LAUNCHER_NAME).symlink_to(self.launcher)
        result = run(links / LAUNCHER_NAME)
        self.assertEqual(result.status, 1)
        self.assertEqual(result.stderr, start_failure(2))

    def test_by_short_path(self):
        short = (
            run_commands("echo %~s1", args=[windows_path(self.launcher)]).stdout.decode().strip()
        )
        short_folder = short.rsplit("\\", 1)[0]
        self.assertNotEqual(short_folder, windows_path(self.folder), "Wine gave no short name")
        assert_started_in(self, self.report_of(run(short)), short_folder)


class BrokenInterpreter(unittest.TestCase):
    def test_start_failure_names_the_platforms_error(self):
        # The numbers are Wine's, and match Windows: access denied for a
        # folder, not a valid program for an empty or a text file.
        cases = [
            ("a folder", 5, None),
            ("an empty file", 193, b""),
            ("a text file", 193, b"print('hi')\r\n"),
        ]
        for kind, error, content in cases:
            with self.subTest(python_exe_is=kind):
                folder = fresh_folder("broken", kind)
                launcher = install_folder(folder, python=False)
                (folder / "py").mkdir()
                if content is None:
                    (folder / "py" / "python.exe").mkdir()
                else:
                    (folder / "py" / "python.exe").write_bytes(content)
                result = run(launcher)
                self.assertEqual(result.status, 1)
                self.assertEqual(result.stdout, BANNER)
                self.assertEqual(result.stderr, start_failure(error))


class InterpreterEndings(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = fresh_folder("endings")
        cls.launcher = install_folder(cls.folder)

    def test_crash_still_ends_with_zero(self):
        # Wine would start its debugger on the crash, as Windows would its
        # error reporting; neither concerns the launcher, so it is off here.
        result = run(
            self.launcher,
            env={"STANDIN_CRASH": "1", "WINEDLLOVERRIDES": "mscoree,mshtml=;winedbg.exe=d"},
        )
        self.assertEqual(result.status, 0)
        self.assertTrue(result.stdout.startswith(BANNER + b"stand-in python:"))
        self.assertNotIn(b"Could not", result.stderr)

    def test_terminated_from_outside_still_ends_with_zero(self):
        report_file = self.folder / "terminated.txt"
        report_file.unlink(missing_ok=True)
        env = wine_environment(
            {"STANDIN_SLEEP_MS": "120000", "STANDIN_REPORT": windows_path(report_file)}
        )
        with open(self.folder / "terminated.out", "wb") as out:
            launcher = subprocess.Popen(
                [WINE_LOADER, str(self.launcher)],
                env=env,
                stdin=subprocess.DEVNULL,
                stdout=out,
                stderr=out,
            )
            try:
                deadline = time.monotonic() + 60
                while "process" not in parse_report(
                    report_file.read_bytes() if report_file.exists() else b""
                ):
                    self.assertLess(time.monotonic(), deadline, "the interpreter never reported")
                    time.sleep(0.1)
                taskkill(parse_report(report_file.read_bytes())["process"])
                self.assertEqual(launcher.wait(timeout=60), 0)
            finally:
                launcher.kill()

    def test_launcher_ends_with_the_interpreter_not_its_grandchild(self):
        # The grandchild lives far longer than the run may take: a launcher
        # that waited for it would be cut off and reported here.
        done = self.folder / "grandchild-done"
        done.unlink(missing_ok=True)
        report_file = self.folder / "grandchild-report.txt"
        report_file.unlink(missing_ok=True)
        env = {
            "STANDIN_SPAWN": "90000",
            "STANDIN_GRANDCHILD_DONE_FILE": windows_path(done),
            "STANDIN_REPORT": windows_path(report_file),
        }
        try:
            result = run(self.launcher, env=env, timeout=30)
        except subprocess.TimeoutExpired:
            self.fail("the launcher waited for the interpreter's own child, not the interpreter")
        finally:
            report = report_file.read_bytes() if report_file.exists() else b""
            grandchild = parse_report(report).get("grandchild")
            if grandchild:
                taskkill(grandchild)
        self.assertEqual(result.status, 0)
        self.assertIsNotNone(grandchild, "the interpreter started no child")
        self.assertFalse(done.exists())

    def test_large_output_arrives_whole_and_in_order(self):
        lines = 50000
        expected_out = b"".join(
            b"out %08d the quick brown fox jumps over the lazy dog\r\n" % i for i in range(lines)
        )
        expected_err = b"".join(
            b"err %08d the quick brown fox jumps over the lazy dog\r\n" % i for i in range(lines)
        )
        for pipes in (False, True):
            with self.subTest(streams="pipes" if pipes else "files"):
                result = run(self.launcher, env={"STANDIN_FLOOD": str(lines)}, pipes=pipes)
                self.assertEqual(result.status, 0)
                head, first, rest = result.stdout.partition(b"out 00000000 ")
                self.assertTrue(head.startswith(BANNER + b"stand-in python:"), head)
                self.assertEqual(set(parse_report(head)), REPORT_KEYS)
                self.assertTrue(first + rest == expected_out, "stdout lost or reordered lines")
                self.assertTrue(result.stderr == expected_err, "stderr lost or reordered lines")


if __name__ == "__main__":
    unittest.main()
