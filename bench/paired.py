"""Times whole process runs under Wine, side by side, in rounds.

Each round runs, back to back:
  b  the launcher, starting the stand-in interpreter
  r  the reference launcher (same calls, no C runtime), starting the same
  a  the stand-in interpreter started directly
  n  the null program: a process that ends at once, with no C runtime
  m  the same on the launcher's C runtime
  c  Run Connector.bat through cmd /c, starting the stand-in
b and r swap places every round, so that neither always runs first. The
ratios are taken within each round, where machine drift is the same for
all, and summarised by their median and quartiles over the rounds. Prints
one line of JSON.

usage: paired.py ROUNDS WARMUP INSTALL_FOLDER NULL_EXE NULL_WITH_C_RUNTIME_EXE
(the install folder holds the launcher, reference-launcher.exe, the stand-in
as py\\python.exe and Run Connector.bat)
"""

import json
import pathlib
import statistics
import subprocess
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "tools"))
import wine  # noqa: E402


def timer(command, output):
    """Runs `command` once and returns its wall time in seconds. Streams go to
    a file: Wine writes to /dev/null very slowly."""

    def run_once():
        start = time.perf_counter()
        subprocess.run(command, stdin=subprocess.DEVNULL, stdout=output, stderr=output, check=True)
        return time.perf_counter() - start

    return run_once


def summary(values):
    quartiles = statistics.quantiles(values, n=4)
    return {
        "median": statistics.median(values),
        "q1": quartiles[0],
        "q3": quartiles[2],
        "min": min(values),
        "max": max(values),
    }


def main(rounds, warmup, folder, null_exe, null_crt_exe):
    folder = pathlib.Path(folder)
    batch = "Z:" + str(folder / "Run Connector.bat").replace("/", "\\")
    with open(folder.parent / "paired.out", "wb") as output:
        run = {
            "b": timer([wine.LOADER, str(folder / "Quillmesh Connector.exe")], output),
            "r": timer([wine.LOADER, str(folder / "reference-launcher.exe")], output),
            "a": timer([wine.LOADER, str(folder / "py" / "python.exe")], output),
            "n": timer([wine.LOADER, str(null_exe)], output),
            "m": timer([wine.LOADER, str(null_crt_exe)], output),
            "c": timer([wine.LOADER, "cmd", "/c", batch], output),
        }
        times = []
        for number in range(warmup + rounds):
            order = ["b", "r"] if number % 2 == 0 else ["r", "b"]
            times.append({name: run[name]() for name in order + ["a", "n", "m", "c"]})
    times = times[warmup:]
    ms = lambda name: summary([t[name] * 1000 for t in times])
    print(
        json.dumps(
            {
                "rounds": rounds,
                "ms": {name: ms(name) for name in "branmc"},
                "b/r": summary([t["b"] / t["r"] for t in times]),
                "(b-a)/n": summary([(t["b"] - t["a"]) / t["n"] for t in times]),
                "(r-a)/n": summary([(t["r"] - t["a"]) / t["n"] for t in times]),
                "b-r": summary([(t["b"] - t["r"]) * 1000 for t in times]),
                "m-n": summary([(t["m"] - t["n"]) * 1000 for t in times]),
                "b/c": summary([t["b"] / t["c"] for t in times]),
            }
        )
    )


if __name__ == "__main__":
    if len(sys.argv) != 6:
        raise SystemExit(__doc__)
    main(int(sys.argv[1]), int(sys.argv[2]), *sys.argv[3:])
