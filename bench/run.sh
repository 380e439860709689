#!/bin/sh
# Benchmarks the launcher under Wine, side by side in one run:
#   (a) the stand-in interpreter started directly,
#   (b) the launcher starting it,
#   (c) Run Connector.bat starting it through cmd /c,
# then the launcher's CPU time and peak memory while the interpreter sleeps,
# and the exe's size. Prints one Markdown table.
#
# usage: bench/run.sh [RUNS]   (default 100 runs per command, after warm-up)
set -eu
cd "$(dirname "$0")/.."
runs=${1:-100}

tools/install-deps.sh hyperfine >&2
cmake --preset mingw >/dev/null
cmake --build --preset mingw >/dev/null

work="$PWD/build/mingw/bench"
folder="$work/Bench Install"
rm -rf "$folder"
cmake --install build/mingw --prefix "$folder" >/dev/null

# One persistent Wine server with the prefix booted: no run pays for them.
python3 tools/wine.py start "$work/wine-prefix"
trap 'python3 tools/wine.py stop "$work/wine-prefix"' EXIT
eval "$(python3 tools/wine.py env "$work/wine-prefix")"
wine=$WINE_LOADER

windows_folder="Z:$(echo "$folder" | tr / '\\')"
hyperfine -N --warmup 10 --runs "$runs" --output=pipe --style none \
    --export-json "$work/starts.json" \
    -n direct "$wine '$folder/py/python.exe'" \
    -n launcher "$wine '$folder/Quillmesh Connector.exe'" \
    -n batch "$wine cmd /c '$windows_folder\\Run Connector.bat'" >&2

python3 bench/wait_cost.py "$wine" "$folder/Quillmesh Connector.exe" 5 >"$work/wait.json"

python3 - "$work/starts.json" "$work/wait.json" "build/mingw/launcher/Quillmesh Connector.exe" \
    "build/mingw/launcher/without-icon/launcher-without-icon.exe" <<'PY'
import json, os, statistics, sys
starts = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
wait = json.load(open(sys.argv[2]))
median = {name: statistics.median(r["times"]) * 1000 for name, r in starts.items()}
runs = len(starts["launcher"]["times"])
print(f"| Measure (Wine, {runs} runs each after warm-up, medians) | Value |")
print("|---|---|")
print(f"| (a) stand-in interpreter started directly | {median['direct']:.1f} ms |")
print(f"| (b) launcher starting the stand-in | {median['launcher']:.1f} ms |")
print(f"| (c) Run Connector.bat via cmd /c starting the stand-in | {median['batch']:.1f} ms |")
print(f"| b/a (target at most 2.0) | {median['launcher'] / median['direct']:.2f} |")
print(f"| b/c (target at most 0.6) | {median['launcher'] / median['batch']:.2f} |")
print(f"| b - 2a: the launcher's cost beyond its own and the interpreter's process start | "
      f"{median['launcher'] - 2 * median['direct']:.1f} ms |")
print(f"| launcher CPU time during {wait['wait_window_s']:.1f} s of the interpreter's sleep "
      f"(median / max of {wait['runs']}) | {wait['cpu_while_waiting_ms']:.3f} ms / {wait['cpu_while_waiting_max_ms']:.3f} ms |")
print(f"| launcher peak resident memory (stand-in interpreter for scale) | "
      f"{wait['launcher_peak_kib']} KiB ({wait['interpreter_peak_kib']} KiB) |")
print(f"| exe size with icon / without icon | {os.path.getsize(sys.argv[3])} / {os.path.getsize(sys.argv[4])} bytes |")
PY
