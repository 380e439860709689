"""Renders what a user sees after a double-click on the launcher: the console
window of a normal start and of a start failure, as PNG files. Run through
tools/screenshots.sh, which builds and lays out the install folder first.

usage: screenshots.py INSTALL_FOLDER OUTPUT_FOLDER WORK_FOLDER
"""

import pathlib
import shutil
import sys
import time

import wine

TITLE = "Quillmesh Connector"


def picture_window(display, prefix, launcher, picture, env, settle, key):
    """Double-clicks the launcher, pictures its window once it has settled,
    then lets it end (pressing `key` in it, if given)."""
    # Its own streams go to the work folder, beside the prefix.
    start = display.double_click(prefix, launcher, prefix.parent / f"{picture.stem}.out", env)
    window = display.window_of(start, TITLE, 60)
    if window is None:
        raise SystemExit(f"no window titled {TITLE} appeared for {launcher}")
    time.sleep(settle)
    display.picture(picture)
    if key:
        display.press(window, key)
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
        install = wine.user_folder(prefix) / "AppData/Local/Programs/Quillmesh Connector"
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
