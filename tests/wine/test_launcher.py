"""End-to-end behaviour of the launcher exe under Wine, seen from the child."""

import time
import unittest

from harness import (
    BANNER,
    FOLDER_FAILURE,
    LAUNCHER_NAME,
    PREFIX,
    REPORT_ORDER,
    STANDIN_IDENTITY,
    TIMEOUT,
    TITLE,
    WORK,
    Terminal,
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


BANNER_LINE = "Quillmesh Connector starting..."
START_FAILURE_LINES = [
    f"Could not start the bundled Python (error {ERROR_FILE_NOT_FOUND}).",
    "Try double-clicking 'Run Connector.bat' in the same folder.",
]
FOLDER_FAILURE_LINE = "Could not locate this program's folder."
PROMPT = "Press any key to close this window."
# Well inside the minute that a failure may wait for a key: a run that ends
# within this without a key press did not wait for one.
ENDS_WITHOUT_A_KEY = 30


class Console(unittest.TestCase):
    """In a real console: the title the user sees, and a failure message that
    stays on screen when the console would close with the launcher."""

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
        self.assertIn(BANNER_LINE, screen)

    def test_failure_waits_for_a_key_only_in_a_console_of_its_own(self):
        stdin_file = WORK / "empty-stdin"
        stdin_file.write_bytes(b"")
        no_python = install_folder(fresh_folder("console no python"), python=False)
        too_long = deep_install_folder("console too long", 260)
        complete = install_folder(fresh_folder("console complete"))
        cases = [
            # start, launcher, screen, title set, waits for a key, status
            ("own console", no_python, [BANNER_LINE, *START_FAILURE_LINES, PROMPT], True, True, 1),
            ("own console", too_long, [FOLDER_FAILURE_LINE, PROMPT], False, True, 1),
            ("cmd's console", no_python, [BANNER_LINE, *START_FAILURE_LINES], True, False, 1),
            ("stdin redirected", no_python, [BANNER_LINE, *START_FAILURE_LINES], True, False, 1),
            ("own console", complete, None, True, False, 0),
        ]
        for start, launcher, screen, title_set, waits, status in cases:
            with self.subTest(start=start, folder=launcher.parent.name[:20]):
                with Terminal(
                    launcher,
                    through_cmd=start == "cmd's console",
                    stdin_file=stdin_file if start == "stdin redirected" else None,
                ) as terminal:
                    if waits:
                        terminal.wait_for(
                            lambda: PROMPT in terminal.screen_lines(), TIMEOUT, "no prompt"
                        )
                        time.sleep(3)
                        self.assertIsNone(terminal.status(), "ended without a key")
                        terminal.press("x")
                    self.assertEqual(terminal.wait(ENDS_WITHOUT_A_KEY), status)
                    lines = terminal.screen_lines()
                    if screen is None:  # the interpreter ran: banner, then its report
                        self.assertEqual(lines[:2], [BANNER_LINE, STANDIN_IDENTITY])
                    else:
                        self.assertEqual(lines, screen)
                    if start != "cmd's console":  # there the title is cmd's to set
                        self.assertEqual(terminal.title() == TITLE, title_set)

    def test_failure_without_a_key_ends_by_itself_after_a_minute(self):
        launcher = install_folder(fresh_folder("console nobody"), python=False)
        with Terminal(launcher) as terminal:
            terminal.wait_for(lambda: PROMPT in terminal.screen_lines(), TIMEOUT, "no prompt")
            time.sleep(50)
            self.assertIsNone(terminal.status(), "the message was not held for the minute")
            self.assertEqual(terminal.wait(40), 1)


if __name__ == "__main__":
    unittest.main()
