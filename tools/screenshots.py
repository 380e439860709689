"""Renders what a user sees after a double-click on the launcher: the console
window of a normal start and of a start failure, as PNG files. Run through
tools/screenshots.sh, which builds and lays out the install folder first.

usage: screenshots.py INSTALL_FOLDER OUTPUT_FOLDER WORK_FOLDER
"""

import pathlib
import shutil
import subprocess
import sys
import time

import wine

TITLE = "Quillmesh Connector"


def picture_window(display, prefix, launcher, picture, env, settle, key):
    """Double-clicks the launcher, pictures its window once it has settled,
    then lets it end (pressing `key` in it, if given)."""
    start = subprocess.Popen(
        [wine.LOADER, "start", "/wait", "/unix", str(launcher)],
        env=wine.environment(prefix, {**display.environment(), **env}),
        stdin=subprocess.DEVNULL,
        stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL,
    )
    deadline = time.monotonic() + 60
    while not display.windows(TITLE):
        if time.monotonic() > deadline:
            raise SystemExit(f"no window titled {TITLE} appeared for {launcher}")
        time.sleep(0.2)
    time.sleep(settle)
    display.picture(picture)
    if key:
        display.press(display.windows(TITLE)[0], key)
    start.wait(timeout=60)
    print(f"{picture}: exit status {start.returncode}")


def main(install_folder, output, work):
    output, work = pathlib.Path(output), pathlib.Path(work)
    output.mkdir(parents=True, exist_ok=True)
    display = wine.VirtualDisplay(window_manager=True)
    prefix = work / "wine-prefix"
    try:
        wine.start(prefix, display)
        # Where the setup program puts it, so the paths on screen are a user's.
        users = [u for u in (prefix / "drive_c" / "users").iterdir() if u.name != "Public"]
        install = users[0] / "AppData" / "Local" / "Programs" / "Quillmesh Connector"
        shutil.copytree(install_folder, install)
        broken = install.with_name("Quillmesh Connector (no py)")
        shutil.copytree(install, broken)
        shutil.rmtree(broken / "py")
        launcher = "Quillmesh Connector.exe"
        # The stand-in stays a moment, as the connector would, so the window
        # can be pictured while it runs.
        picture_window(
            display,
            prefix,
            install / launcher,
            output / "normal-start.png",
            {"STANDIN_SLEEP_MS": "6000"},
            settle=2,
            key=None,
        )
        picture_window(
            display, prefix, broken / launcher, output / "start-failure.png", {}, settle=2, key="x"
        )
    finally:
        wine.stop(prefix)
        display.close()


if __name__ == "__main__":
    if len(sys.argv) != 4:
        raise SystemExit(__doc__)
    main(*sys.argv[1:])
