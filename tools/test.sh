#!/bin/sh
# Installs what is missing, builds with the mingw preset and runs every test
# (Wine end-to-end and host) through CTest.
set -eu
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake --preset mingw
cmake --build --preset mingw
ctest --preset mingw
