"""Runs the real launcher exe under Wine in install folders laid out per test.

CTest passes the locations through the environment:
  LAUNCHER_EXE      the built launcher
  STANDIN_EXE       the stand-in interpreter, copied in as py\\python.exe
  TEST_WINE_PREFIX  the private prefix made by the wine-prefix fixture
  TEST_WORK_DIR     where this test module lays out its folders
and, to modules that make packages, CPACK_COMMAND and CPACK_CONFIG.
"""

import os
import pathlib
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools"))
import wine  # noqa: E402  (the project's one Wine set-up, in tools/)

LAUNCHER_EXE = pathlib.Path(os.environ["LAUNCHER_EXE"])
STANDIN_EXE = pathlib.Path(os.environ["STANDIN_EXE"])
WINE_LOADER = wine.LOADER
PREFIX = pathlib.Path(os.environ["TEST_WINE_PREFIX"])
WORK = pathlib.Path(os.environ["TEST_WORK_DIR"])
WORK.mkdir(parents=True, exist_ok=True)

LAUNCHER_NAME = "Quillmesh Connector.exe"
SCRIPT_NAME = "quillmesh-connector.py"
TIMEOUT = 120

# The texts users see, as they reach a file or pipe (text mode: CRLF).
BANNER = b"Quillmesh Connector starting...\r\n\r\n"
FOLDER_FAILURE = b"Could not locate this program's folder.\r\n"
PATH_FAILURE = b"Unexpected install path.\r\n"
TITLE = "Quillmesh Connector"


def cpack(into, *options, config=None):
    """Makes the packages into `into`: this build's, or those of the build
    whose CPack configuration is `config`."""
    config = config or os.environ["CPACK_CONFIG"]
    subprocess.run(
        [os.environ["CPACK_COMMAND"], "--config", str(config), "-B", str(into), *options],
        check=True,
        capture_output=True,
        timeout=300,
    )


def start_failure(error):
    return (
        b"Could not start the bundled Python (error %d).\r\n"
        b"Try double-clicking 'Run Connector.bat' in the same folder.\r\n" % error
    )


def wine_environment(extra=None):
    return wine.environment(PREFIX, extra)


def windows_path(path):
    """How Wine names a Unix path: the whole file system is drive Z:."""
    return "Z:" + str(pathlib.Path(path).absolute()).replace("/", "\\")


def fresh_folder(*parts):
    folder = WORK.joinpath(*parts)
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    return folder


def install_folder(folder, python=True, script=True):
    """Lays out an install folder; returns the launcher's path in it."""
    folder = pathlib.Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    launcher = folder / LAUNCHER_NAME
    shutil.copyfile(LAUNCHER_EXE, launcher)
    if python:
        (folder / "py").mkdir(exist_ok=True)
        shutil.copyfile(STANDIN_EXE, folder / "py" / "python.exe")
    if script:
        (folder / SCRIPT_NAME).write_text("# test connector script\n")
    return launcher


def deep_install_folder(name, module_path_length):
    """An install folder whose launcher's module path has exactly that length."""
    base = fresh_folder(name)
    # Z: plus the Unix path of the launcher, split into components Linux accepts.
    remaining = module_path_length - len(windows_path(base)) - len("\\" + LAUNCHER_NAME)
    folder = base
    while remaining > 0:
        part = min(remaining - 1, 200)
        folder = folder / ("d" * part)
        remaining -= part + 1
    assert remaining == 0, "no such length from this base"
    launcher = install_folder(folder)
    assert len(windows_path(launcher)) == module_path_length
    return launcher


def expected_command_line(windows_folder):
    return f'"{windows_folder}\\py\\python.exe" "{windows_folder}\\{SCRIPT_NAME}"'


# The stand-in's report: its identity line, then one "key: value" line for
# each of these keys (and "grandchild" when it was told to spawn one).
STANDIN_IDENTITY = "stand-in python: a test double of the bundled interpreter, not Python"
REPORT_ORDER = ("commandline", "directory", "title", "mark", "process")
REPORT_KEYS = set(REPORT_ORDER)


def parse_report(data):
    fields = {}
    for line in data.decode("utf-8").splitlines():
        key, sep, value = line.partition(": ")
        if sep and key in REPORT_KEYS | {"grandchild"}:
            fields[key] = value
    return fields


def assert_started_in(test, report, folder):
    """The interpreter got exactly the two quoted paths in `folder`, and
    `folder` as its working directory. `folder` is a Unix path, or a Windows
    path as a string."""
    windows_folder = folder if isinstance(folder, str) else windows_path(folder)
    test.assertEqual(report.get("commandline"), expected_command_line(windows_folder), report)
    test.assertEqual(report.get("directory"), windows_folder, report)


class Run:
    def __init__(self, status, stdout, stderr):
        self.status, self.stdout, self.stderr = status, stdout, stderr

    def report(self):
        """The stand-in's report from stdout, after the banner."""
        return parse_report(self.stdout.split(BANNER, 1)[-1])


def run(
    program, args=(), cwd=None, env=None, stdin=subprocess.DEVNULL, pipes=False, timeout=TIMEOUT
):
    """Runs a Windows program; its streams go to files or to pipes, never to
    /dev/null, where Wine writes very slowly."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        done = subprocess.run(
            [WINE_LOADER, str(program), *args],
            cwd=cwd or WORK,
            env=wine_environment(env),
            stdin=stdin,
            stdout=subprocess.PIPE if pipes else out,
            stderr=subprocess.PIPE if pipes else err,
            timeout=timeout,
        )
        if pipes:
            return Run(done.returncode, done.stdout, done.stderr)
        out.seek(0)
        err.seek(0)
        return Run(done.returncode, out.read(), err.read())


def run_commands(*lines, args=(), env=None):
    """Runs command lines as a batch file of their own, through `cmd /c`;
    `args` are the batch file's arguments (%1, %2, ...)."""
    start = pathlib.Path(tempfile.mkdtemp(dir=WORK, prefix="batch-")) / "start.bat"
    start.write_bytes(("\r\n".join(["@echo off", *lines]) + "\r\n").encode("utf-8"))
    return run("cmd", args=["/c", windows_path(start), *args], env=env)


def run_batch(batch, cwd=None, env=None):
    """Runs a batch file the way a double-click does: its quoted path on a
    line of its own, from `cwd`. Passing the path through `cmd /c` instead
    would let cmd strip the quotes and parse & ^ ( ) % in the folder name."""

    def quoted(path):
        return '"' + windows_path(path).replace("%", "%%") + '"'

    return run_commands(f"cd /d {quoted(cwd or WORK)}", quoted(batch), env=env)


class Terminal:
    """A Windows program run in a tmux pane, where Wine gives it a real
    console: its own, as after a double-click, when it is started straight
    from the pane; cmd's, when `through_cmd` starts it from a batch file that
    cmd runs in the pane. `stdin_file` redirects its standard input.

    The title is the one the terminal shows: Wine's console passes
    SetConsoleTitle on to it."""

    def __init__(self, program, env=None, through_cmd=False, stdin_file=None):
        self.folder = pathlib.Path(tempfile.mkdtemp(dir=WORK, prefix="terminal-"))
        self.status_file = self.folder / "status"
        command = [WINE_LOADER, str(program)]
        if through_cmd:
            start = self.folder / "start.bat"
            start.write_bytes(f'@"{windows_path(program)}"\r\n'.encode("utf-8"))
            command = [WINE_LOADER, "cmd", "/c", windows_path(start)]
        exports = "".join(
            f"export {k}={shlex.quote(v)}\n"
            for k, v in wine_environment(env).items()
            if re.fullmatch(r"[A-Za-z_][A-Za-z0-9_]*", k)
        )
        redirect = f" <{shlex.quote(str(stdin_file))}" if stdin_file else ""
        script = self.folder / "run.sh"
        script.write_text(
            f"{exports}{shlex.join(command)}{redirect}\n"
            f"echo $? > '{self.status_file}.tmp'\nmv '{self.status_file}.tmp' '{self.status_file}'\n"
            "exec sleep 600\n"
        )
        self.tmux = ["tmux", "-S", str(self.folder / "tmux.sock"), "-f", "/dev/null"]
        subprocess.run(
            [*self.tmux, "new-session", "-d", "-x", "160", "-y", "50", "sh", str(script)],
            check=True,
            stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL,
            timeout=30,
        )

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        subprocess.run([*self.tmux, "kill-server"], capture_output=True)

    def _tmux(self, *args):
        return subprocess.run(
            [*self.tmux, *args], capture_output=True, text=True, check=True, timeout=30
        ).stdout

    def title(self):
        return self._tmux("display-message", "-p", "#{pane_title}").rstrip("\n")

    def screen_lines(self):
        """The screen's lines that hold text."""
        return [line for line in self._tmux("capture-pane", "-p").splitlines() if line.strip()]

    def press(self, key):
        self._tmux("send-keys", key)

    def status(self):
        """The exit status, or None while the program runs."""
        if not self.status_file.exists():
            return None
        return int(self.status_file.read_text())

    def wait_for(self, condition, timeout, what):
        deadline = time.monotonic() + timeout
        while not condition():
            if time.monotonic() > deadline:
                raise TimeoutError(f"{what} within {timeout} s; screen: {self.screen_lines()}")
            time.sleep(0.1)

    def wait(self, timeout=TIMEOUT):
        """Waits for the program to end; returns its exit status."""
        self.wait_for(lambda: self.status() is not None, timeout, "the program did not end")
        return self.status()


def run_in_terminal(program, env=None):
    """Runs a program to its end in its own console; returns (exit status,
    pane title, the screen's lines that hold text)."""
    with Terminal(program, env) as terminal:
        status = terminal.wait()
        return status, terminal.title(), terminal.screen_lines()
