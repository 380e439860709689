"""Prints the benchmark's Markdown table from what paired.py and
wait_cost.py measured, with the sizes of the exes and the machine.

usage: table.py PAIRED_JSON WAIT_JSON LAUNCHER_EXE WITHOUT_ICON_EXE REFERENCE_EXE
"""

import datetime
import json
import os
import platform
import subprocess
import sys


def spread(s, unit="", digits=2):
    return f"{s['median']:.{digits}f}{unit} ({s['q1']:.{digits}f} to {s['q3']:.{digits}f})"


def verdict(value, target):
    return "met" if value <= target else f"**missed** by {(value / target - 1) * 100:.0f} %"


def machine():
    cpu = next(
        (l.split(":", 1)[1].strip() for l in open("/proc/cpuinfo") if l.startswith("model name")),
        platform.machine(),
    )
    wine = subprocess.run(
        [os.environ.get("WINE_LOADER", "wine"), "--version"], capture_output=True, text=True
    ).stdout.strip()
    return f"{os.cpu_count()} cores, {cpu}, {wine}"


def main(paired_json, wait_json, launcher, without_icon, reference):
    paired = json.load(open(paired_json))
    wait = json.load(open(wait_json))
    ms, rounds = paired["ms"], paired["rounds"]
    print(f"Run on {datetime.date.today()}, {machine()}: {rounds} rounds after warm-up.")
    print("Medians, with quartiles in brackets; ratios are taken within each round.\n")
    print("| Measure | Value | Target |")
    print("|---|---|---|")
    print(f"| (b) launcher starting the stand-in | {spread(ms['b'], ' ms', 1)} | |")
    print(f"| (r) reference launcher (no C runtime) starting it | {spread(ms['r'], ' ms', 1)} | |")
    print(f"| (a) stand-in started directly | {spread(ms['a'], ' ms', 1)} | |")
    print(f"| (n) null program (a bare process start) | {spread(ms['n'], ' ms', 1)} | |")
    print(f"| (m) the same on the launcher's C runtime | {spread(ms['m'], ' ms', 1)} | |")
    print(f"| (c) Run Connector.bat via cmd /c starting it | {spread(ms['c'], ' ms', 1)} | |")
    for name, target in (("b/r", 1.05), ("(b-a)/n", 1.10), ("b/c", 0.5)):
        value = paired[name]["median"]
        print(f"| {name} | {spread(paired[name])} | at most {target}: {verdict(value, target)} |")
    print(f"| (r-a)/n, the reference's own | {spread(paired['(r-a)/n'])} | |")
    print(
        f"| b-r: what the launcher costs beyond the least launcher | {spread(paired['b-r'], ' ms', 1)} | |"
    )
    print(f"| m-n: the C runtime's own start-up | {spread(paired['m-n'], ' ms', 1)} | |")
    cpu = wait["cpu_while_waiting_max_ms"]
    print(
        f"| launcher CPU time during {wait['wait_window_s']:.1f} s of the interpreter's run "
        f"(median / max of {wait['runs']}) | {wait['cpu_while_waiting_ms']:.3f} ms / {cpu:.3f} ms "
        f"| under 10 ms: {verdict(cpu, 10)} |"
    )
    print(
        f"| launcher peak resident memory (stand-in for scale) | "
        f"{wait['launcher_peak_kib']} KiB ({wait['interpreter_peak_kib']} KiB) | |"
    )
    sizes = " / ".join(str(os.path.getsize(f)) for f in (launcher, without_icon, reference))
    print(f"| size: launcher with icon / without / reference | {sizes} bytes | |")


if __name__ == "__main__":
    if len(sys.argv) != 6:
        raise SystemExit(__doc__)
    main(*sys.argv[1:])
