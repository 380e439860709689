#!/bin/sh
# Benchmarks the launcher under Wine against the least any launcher can do,
# side by side in one run (see bench/README.md). Prints one Markdown table.
#
# usage: bench/run.sh [ROUNDS]   (default 100 rounds, after 10 of warm-up)
set -eu
cd "$(dirname "$0")/.."
rounds=${1:-100}

work="$PWD/build/mingw/bench"
folder="$work/Bench Install"
tools/lay-out.sh "$folder"

# The reference launcher and the null program: no C runtime, own entry point.
for program in reference-launcher null-program; do
    x86_64-w64-mingw32-gcc -Os -Wall -Wextra -Werror -nostdlib -nostartfiles -e entry \
        -Wl,--subsystem,console -s -o "$work/$program.exe" "bench/$program.c" -lkernel32
done
cp "$work/reference-launcher.exe" "$folder/"
# The same empty program on the launcher's C runtime, linked like it.
x86_64-w64-mingw32-gcc -Os -DWITH_C_RUNTIME -static -s -Wl,--no-insert-timestamp \
    -o "$work/null-program-crt.exe" bench/null-program.c

# One persistent Wine server with the prefix booted: no run pays for them.
python3 tools/wine.py start "$work/wine-prefix"
trap 'python3 tools/wine.py stop "$work/wine-prefix"' EXIT
eval "$(python3 tools/wine.py env "$work/wine-prefix")"

python3 bench/paired.py "$rounds" 10 "$folder" "$work/null-program.exe" \
    "$work/null-program-crt.exe" >"$work/paired.json"
python3 bench/wait_cost.py "$WINE_LOADER" "$folder/Quillmesh Connector.exe" 5 >"$work/wait.json"
python3 bench/table.py "$work/paired.json" "$work/wait.json" \
    "build/mingw/launcher/Quillmesh Connector.exe" \
    "build/mingw/launcher/without-icon/launcher-without-icon.exe" "$work/reference-launcher.exe"
