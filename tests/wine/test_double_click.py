"""A double-click, as the desktop shell does it: `start /wait /unix` opens a
real console window for the launcher on a virtual display. The window is
found by its title, a key is pressed in it, and `start /wait` hands back the
launcher's exit status.

This module boots a prefix of its own: a prefix booted without a display, as
the shared one is, can never open a window."""

import time
import unittest

from harness import TIMEOUT, TITLE, WORK, fresh_folder, install_folder, wine

display = None
PREFIX = WORK / "wine-prefix-display"


def setUpModule():
    global display
    display = wine.VirtualDisplay()
    wine.start(PREFIX, display)


def tearDownModule():
    wine.stop(PREFIX)
    display.close()


def double_click(launcher, env=None):
    """Starts the launcher as the shell would; returns the running `start`."""
    output = WORK / f"double-click-{time.monotonic_ns()}.out"
    return display.double_click(PREFIX, launcher, output, env)


def window_of(start):
    """The console window titled as the launcher sets it, once it shows."""
    return display.window_of(start, TITLE, TIMEOUT)


class DoubleClick(unittest.TestCase):
    def test_window_stays_after_a_failure_until_a_key(self):
        launcher = install_folder(fresh_folder("double-click no python"), python=False)
        start = double_click(launcher)
        try:
            window = window_of(start)
            self.assertIsNotNone(window, "no window titled " + TITLE)
            time.sleep(3)
            self.assertIsNone(start.poll(), "the window closed without a key")
            self.assertEqual(display.windows(TITLE), [window])
            display.press(window, "x")
            self.assertEqual(start.wait(timeout=30), 1)
        finally:
            start.kill()

    def test_normal_run_ends_without_a_key(self):
        # The interpreter stays long enough for its window to be seen.
        launcher = install_folder(fresh_folder("double-click complete"))
        start = double_click(launcher, {"STANDIN_SLEEP_MS": "3000"})
        try:
            self.assertIsNotNone(window_of(start), "no window titled " + TITLE)
            self.assertEqual(start.wait(timeout=30), 0)
        finally:
            start.kill()


if __name__ == "__main__":
    unittest.main()
