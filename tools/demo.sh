#!/bin/sh
# Installs what is missing, builds, lays out a demo install folder (launcher,
# stand-in interpreter, demo script) and runs the launcher on it under Wine.
set -eu
cd "$(dirname "$0")/.."

demo="$PWD/build/mingw/demo/Quillmesh Connector"
echo "Building and laying out a demo install folder in $demo ..."
tools/lay-out.sh "$demo"

prefix="$PWD/build/mingw/demo/wine-prefix"
echo "Preparing a private Wine prefix in $prefix ..."
python3 tools/wine.py start "$prefix"
trap 'python3 tools/wine.py stop "$prefix"' EXIT
eval "$(python3 tools/wine.py env "$prefix")"

echo "Running: $demo/Quillmesh Connector.exe"
echo "-------------------------------------------------------------------"
status=0
"$WINE_LOADER" "$demo/Quillmesh Connector.exe" || status=$?
echo "-------------------------------------------------------------------"
echo "Launcher exit status: $status"
exit "$status"
