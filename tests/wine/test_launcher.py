"""End-to-end behaviour of the launcher exe under Wine, seen from the child."""

import unittest

from harness import (
    BANNER,
    FOLDER_FAILURE,
    LAUNCHER_NAME,
    PREFIX,
    REPORT_ORDER,
    STANDIN_IDENTITY,
    TITLE,
    assert_started_in,
    deep_install_folder,
    fresh_folder,
    install_folder,
    parse_report,
    run,
    run_commands,
    run_in_terminal,
    start_failure,
    windows_path,
)

ERROR_FILE_NOT_FOUND = 2


class NormalRun(unittest.TestCase):
    def test_child_gets_exactly_the_two_quoted_paths_and_the_install_folder(self):
        folder = fresh_folder("  My Connector  Folder")
        launcher = install_folder(folder)
        elsewhere = fresh_folder("started from here")
        result = run(
            launcher,
            args=["--verbose", "two words", "C:\\other.py"],
            cwd=elsewhere,
            env={"STANDIN_MARK": "reached the child"},
        )
        self.assertEqual(result.status, 0)
        self.assertEqual(result.stderr, b"")
        self.assertTrue(result.stdout.startswith(BANNER), result.stdout)
        report = result.report()
        assert_started_in(self, report, folder)
        self.assertEqual(report["mark"], "reached the child")
        # Exactly the stand-in's report, line by line, nothing of Wine's between.
        child_lines = result.stdout[len(BANNER) :].decode("utf-8").splitlines()
        self.assertEqual(child_lines[0], STANDIN_IDENTITY)
        self.assertEqual([line.split(": ", 1)[0] for line in child_lines[1:]], list(REPORT_ORDER))

    def test_exit_status_reports_the_start_not_the_childs_status(self):
        launcher = install_folder(fresh_folder("child status"))
        for child_status in (0, 1, 3, 255):
            with self.subTest(child_status=child_status):
                result = run(launcher, env={"STANDIN_EXIT": str(child_status)})
                self.assertEqual(result.status, 0)
                self.assertEqual(result.stderr, b"")

    def test_banner_comes_before_child_output_when_redirected(self):
        launcher = install_folder(fresh_folder("redirected"))
        result = run(launcher, env={"STANDIN_FLOOD": "200"})
        self.assertEqual(result.status, 0)
        self.assertTrue(result.stdout.startswith(BANNER + b"stand-in python:"), result.stdout[:80])
        self.assertEqual(result.stdout.count(b"\r\nout "), 200)
        self.assertEqual(result.stderr.count(b"err "), 200)


class Failures(unittest.TestCase):
    def test_missing_interpreter_shows_banner_then_start_failure(self):
        launcher = install_folder(fresh_folder("no python"), python=False)
        result = run(launcher)
        self.assertEqual(result.status, 1)
        self.assertEqual(result.stdout, BANNER)
        self.assertEqual(result.stderr, start_failure(ERROR_FILE_NOT_FOUND))

    def test_module_path_length_limit(self):
        # The module path fills a 260-byte buffer, terminator included, so 259
        # bytes is the longest accepted; a longer one comes back cut short.
        # Wine then starts an interpreter whose path is past 260 bytes, where
        # Windows without long-path support would refuse it with a start
        # failure instead.
        cases = [
            # module path length, status, stderr
            (259, 0, b""),
            (260, 1, FOLDER_FAILURE),
            (261, 1, FOLDER_FAILURE),
            (300, 1, FOLDER_FAILURE),
        ]
        for length, status, stderr in cases:
            with self.subTest(module_path_length=length):
                launcher = deep_install_folder(f"length {length}", length)
                result = run(launcher)
                self.assertEqual((result.status, result.stderr), (status, stderr))
                if status == 0:
                    assert_started_in(self, result.report(), launcher.parent)
                else:
                    self.assertEqual(result.stdout, b"", "no banner before the folder is known")


class DriveRoot(unittest.TestCase):
    """A launcher in a drive's root: the folder is the bare "C:"."""

    @classmethod
    def setUpClass(cls):
        cls.launcher = install_folder(PREFIX / "drive_c")

    def check_root_run(self, result):
        self.assertEqual(result.status, 0, result.stderr)
        report = result.report()
        self.assertEqual(report["commandline"], '"C:\\py\\python.exe" "C:\\quillmesh-connector.py"')
        # The root itself, never the drive's current directory.
        self.assertEqual(report["directory"], "C:\\")

    def test_started_from_another_drive(self):
        self.check_root_run(run(f"C:\\{LAUNCHER_NAME}"))

    def test_started_from_a_folder_on_the_same_drive(self):
        # There "C:" alone would mean C:\windows, the current directory.
        self.check_root_run(
            run_commands("cd /d C:\\windows", f'"C:\\{LAUNCHER_NAME}"', "exit /b %errorlevel%")
        )


class Console(unittest.TestCase):
    """Where a real console exists, its title is the one the user sees."""

    def test_title_set_before_the_child_starts(self):
        folder = fresh_folder("console title")
        launcher = install_folder(folder)
        report_file = folder / "report.txt"
        status, title, screen = run_in_terminal(
            launcher, env={"STANDIN_REPORT": windows_path(report_file)}
        )
        self.assertEqual(status, 0, screen)
        self.assertEqual(title, TITLE)
        self.assertEqual(parse_report(report_file.read_bytes())["title"], TITLE)
        self.assertIn("Quillmesh Connector starting...", screen)

    def test_title_and_banner_precede_a_start_failure(self):
        launcher = install_folder(fresh_folder("console no python"), python=False)
        status, title, screen = run_in_terminal(launcher)
        self.assertEqual(status, 1, screen)
        self.assertEqual(title, TITLE)
        lines = [line for line in screen.splitlines() if line.strip()]
        self.assertEqual(
            lines,
            [
                "Quillmesh Connector starting...",
                f"Could not start the bundled Python (error {ERROR_FILE_NOT_FOUND}).",
                "Try double-clicking 'Run Connector.bat' in the same folder.",
            ],
        )

    def test_folder_failure_leaves_title_and_prints_no_banner(self):
        launcher = deep_install_folder("console too long", 260)
        status, title, screen = run_in_terminal(launcher)
        self.assertEqual(status, 1, screen)
        self.assertNotEqual(title, TITLE)
        lines = [line for line in screen.splitlines() if line.strip()]
        self.assertEqual(lines, ["Could not locate this program's folder."])


if __name__ == "__main__":
    unittest.main()
