#!/bin/sh
# Installs what is missing, builds, lays out a demo install folder (launcher,
# stand-in interpreter, demo script) and runs the launcher on it under Wine.
set -eu
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake --preset mingw
cmake --build --preset mingw

demo="$PWD/build/mingw/demo/Quillmesh Connector"
rm -rf "$demo"
cmake --install build/mingw --prefix "$demo"

export WINEPREFIX="$PWD/build/mingw/demo-wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Preparing a Wine prefix in $WINEPREFIX ..."
    "$wine" wineboot -i </dev/null >"$WINEPREFIX.log" 2>&1
fi

echo "Running: $demo/Quillmesh Connector.exe"
echo "-------------------------------------------------------------------"
status=0
"$wine" "$demo/Quillmesh Connector.exe" || status=$?
echo "-------------------------------------------------------------------"
echo "Launcher exit status: $status"
exit "$status"
