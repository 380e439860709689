"""Measures what the launcher costs while the interpreter runs.

Starts the launcher under Wine with the stand-in interpreter told to sleep,
and reads the launcher's own Linux process (Wine runs each Windows process
as one) while it waits: CPU time used between two samples inside the wait,
and its peak resident memory. The stand-in's peak memory is read the same
way, for scale. Prints one line of JSON with medians over the runs.

usage: wait_cost.py WINE_LOADER LAUNCHER_EXE [RUNS]
"""

import json
import os
import statistics
import subprocess
import sys
import time

SLEEP_MS = 3000
FIRST_SAMPLE, SECOND_SAMPLE = 0.8, 2.6  # seconds after the start, both inside the sleep


def cpu_seconds(pid):
    """CPU time of all the process's threads, to the nanosecond (schedstat)."""
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{task}/schedstat") as stat:
            total += int(stat.read().split()[0])
    return total / 1e9


def peak_kib(pid):
    for line in open(f"/proc/{pid}/status"):
        if line.startswith("VmHWM:"):
            return int(line.split()[1])
    return 0


def interpreters():
    """Wine starts a child through a double fork, so it is no Linux child of
    the launcher: find it by its Windows command line instead."""
    found = []
    for entry in os.listdir("/proc"):
        try:
            with open(f"/proc/{entry}/cmdline", "rb") as cmdline:
                if b"\\py\\python.exe" in cmdline.read():
                    found.append(int(entry))
        except (OSError, ValueError):
            pass
    return found


def measure(wine, launcher):
    env = dict(os.environ, STANDIN_SLEEP_MS=str(SLEEP_MS), STANDIN_REPORT="NUL")
    with open(os.devnull, "rb") as stdin, open(launcher + ".bench-out", "wb") as out:
        process = subprocess.Popen([wine, launcher], env=env, stdin=stdin, stdout=out, stderr=out)
        start = time.monotonic()
        time.sleep(FIRST_SAMPLE)
        before = cpu_seconds(process.pid)
        time.sleep(SECOND_SAMPLE - (time.monotonic() - start))
        after = cpu_seconds(process.pid)
        launcher_peak = peak_kib(process.pid)
        interpreter_peak = max((peak_kib(p) for p in interpreters()), default=0)
        process.wait(timeout=60)
    return after - before, launcher_peak, interpreter_peak


def main():
    wine, launcher = sys.argv[1], sys.argv[2]
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    results = [measure(wine, launcher) for _ in range(runs)]
    print(
        json.dumps(
            {
                "wait_window_s": SECOND_SAMPLE - FIRST_SAMPLE,
                "cpu_while_waiting_ms": round(statistics.median(r[0] for r in results) * 1000, 3),
                "cpu_while_waiting_max_ms": round(max(r[0] for r in results) * 1000, 3),
                "launcher_peak_kib": statistics.median(r[1] for r in results),
                "interpreter_peak_kib": statistics.median(r[2] for r in results),
                "runs": runs,
            }
        )
    )


if __name__ == "__main__":
    main()
