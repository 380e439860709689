"""How this project runs Windows programs under Wine: the one place that
knows where Wine is, how its environment is set and how a private prefix is
started and stopped. The tests import it; the demo and the benchmark call it.

usage: wine.py start PREFIX   boot the prefix under a persistent Wine server
       wine.py stop PREFIX    end that server and everything it runs
       wine.py env PREFIX     print the environment as shell `export` lines

A persistent server with the prefix booted means no run pays for a prefix
start, and Wine's background services, started with every stream going to
PREFIX.log, can never hold a caller's pipe open.

A prefix booted without a display can never open a window. Where windows are
wanted (a double-click's console window), boot a prefix of its own with a
VirtualDisplay: start(prefix, display).
"""

import os
import pathlib
import shlex
import shutil
import subprocess
import sys
import tempfile
import time


def _program(debian_path, *names):
    """Debian keeps the 64-bit loader out of PATH; calling it directly also
    keeps any wrapper script from adding messages of its own."""
    if os.access(debian_path, os.X_OK):
        return debian_path
    for name in names:
        found = shutil.which(name)
        if found:
            return found
    raise SystemExit(f"Wine is not installed ({debian_path} not found): run tools/install-deps.sh")


LOADER = _program("/usr/lib/wine/wine64", "wine64", "wine")
SERVER = _program("/usr/lib/wine/wineserver", "wineserver64", "wineserver")


def environment(prefix, extra=None):
    """Wine quiet and private. No display unless the caller gives one, so no
    dialog can ever block a run; no menu entries written into the host's
    desktop; Mono and Gecko never offered for download."""
    env = {k: v for k, v in os.environ.items() if not k.startswith(("WINE", "STANDIN_", "DISPLAY"))}
    env.update(
        WINEPREFIX=str(prefix),
        WINEDEBUG="-all",
        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d",
        LC_ALL="C.UTF-8",
    )
    env.update(extra or {})
    return env


def start(prefix, display=None):
    prefix = pathlib.Path(prefix)
    stop(prefix)  # a server left by an interrupted run would hold the old prefix
    shutil.rmtree(prefix, ignore_errors=True)
    prefix.mkdir(parents=True)
    with open(str(prefix) + ".log", "wb") as log:
        detached = dict(
            env=environment(prefix, display and display.environment()),
            stdin=subprocess.DEVNULL,
            stdout=log,
            stderr=log,
            start_new_session=True,
            timeout=300,
        )
        subprocess.run([SERVER, "-p"], check=True, **detached)
        subprocess.run([LOADER, "wineboot", "-i"], check=True, **detached)


def user_folder(prefix):
    """The prefix's own user's folder (C:\\users\\<name>), as a Unix path."""
    users = pathlib.Path(prefix) / "drive_c" / "users"
    return next(u for u in sorted(users.iterdir()) if u.name != "Public" and u.is_dir())


def stop(prefix):
    subprocess.run(
        [SERVER, "-k"], env=environment(prefix), stdin=subprocess.DEVNULL, capture_output=True
    )


class VirtualDisplay:
    """An X server of our own (Xvfb) for Wine's windows, with a small window
    manager when title bars should show; xdotool finds windows and types
    into them, ImageMagick pictures the screen."""

    def __init__(self, window_manager=False):
        read, write = os.pipe()
        self.server = subprocess.Popen(
            [
                "Xvfb",
                "-displayfd",
                str(write),
                "-screen",
                "0",
                "1024x640x24",
                "-wr",
                "-nolisten",
                "tcp",
            ],
            pass_fds=(write,),
            stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL,
            start_new_session=True,
        )
        os.close(write)
        with os.fdopen(read) as numbers:
            self.name = ":" + numbers.readline().strip()
        self.window_manager = None
        if window_manager:
            # twm's own fonts are not on a bare X server; "fixed" always is.
            config = tempfile.NamedTemporaryFile("w", prefix="twmrc-", delete=False)
            with config:
                for item in ("TitleFont", "MenuFont", "IconFont", "ResizeFont", "IconManagerFont"):
                    config.write(f'{item} "fixed"\n')
                config.write("NoGrabServer\nRandomPlacement\n")
            self.window_manager = subprocess.Popen(
                ["twm", "-f", config.name],
                env=dict(os.environ, **self.environment()),
                stdin=subprocess.DEVNULL,
                stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL,
            )

    def environment(self):
        return {"DISPLAY": self.name}

    def _run(self, *command):
        return subprocess.run(
            command,
            env=dict(os.environ, **self.environment()),
            stdin=subprocess.DEVNULL,
            capture_output=True,
            text=True,
            timeout=60,
        )

    def double_click(self, prefix, program, output, env=None):
        """Starts a program as the desktop shell does (`start /wait /unix`),
        which opens a console window for a console program; returns the
        running `start`, whose status will be the program's. Its own streams
        go to the file `output`."""
        with open(output, "wb") as out:
            return subprocess.Popen(
                [LOADER, "start", "/wait", "/unix", str(program)],
                env=environment(prefix, {**self.environment(), **(env or {})}),
                stdin=subprocess.DEVNULL,
                stdout=out,
                stderr=out,
            )

    def window_of(self, process, title, timeout):
        """The id of the window with exactly this title once it shows, or
        None when `process` ends or `timeout` seconds pass first."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline and process.poll() is None:
            windows = self.windows(title)
            if windows:
                return windows[0]
            time.sleep(0.2)
        return None

    def windows(self, title):
        """The ids of the windows with exactly this title."""
        return self._run("xdotool", "search", "--name", f"^{title}$").stdout.split()

    def press(self, window, key):
        self._run("xdotool", "key", "--window", window, key)

    def picture(self, path):
        """Pictures the windows on screen, cut to what is not background."""
        self._run("import", "-window", "root", "-trim", "+repage", str(path)).check_returncode()

    def close(self):
        for process in (self.window_manager, self.server):
            if process:
                process.terminate()
                process.wait(timeout=30)


def main(command, prefix):
    if command == "start":
        start(prefix)
    elif command == "stop":
        stop(prefix)
    elif command == "env":
        for key in ("WINEPREFIX", "WINEDEBUG", "WINEDLLOVERRIDES", "LC_ALL"):
            print(f"export {key}={shlex.quote(environment(prefix)[key])}")
        print(f"export WINE_LOADER={shlex.quote(LOADER)} WINESERVER={shlex.quote(SERVER)}")
        print("unset DISPLAY")
    else:
        raise SystemExit(__doc__)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    main(*sys.argv[1:])
