#!/bin/sh
# Installs what is missing, builds with the mingw preset and lays out a fresh
# install folder (launcher, Run Connector.bat, py\, connector script) in DIR:
# the first step of the demo, the benchmark and the screenshots.
#
# usage: tools/lay-out.sh DIR
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh >&2
cmake --preset mingw >/dev/null
cmake --build --preset mingw >/dev/null
rm -rf "$1"
cmake --install build/mingw --prefix "$1" >/dev/null
