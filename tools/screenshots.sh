#!/bin/sh
# Renders the console windows a user sees after a double-click (a normal
# start, and a start failure) to docs/screenshots/, as the README shows them.
# The pictures are made by this script only, never retouched by hand.
set -eu
cd "$(dirname "$0")/.."

work="$PWD/build/mingw/screenshots"
install="$work/Quillmesh Connector"
tools/lay-out.sh "$install"
python3 tools/screenshots.py "$install" docs/screenshots "$work"
