#!/bin/sh
# Renders the console windows a user sees after a double-click (a normal
# start, and a start failure) to docs/screenshots/, as the README shows them.
# The pictures are made by this script only, never retouched by hand.
set -eu
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw >/dev/null

work="$PWD/build/mingw/screenshots"
install="$work/Quillmesh Connector"
rm -rf "$install"
cmake --install build/mingw --prefix "$install" >/dev/null
python3 tools/screenshots.py "$install" docs/screenshots "$work"
