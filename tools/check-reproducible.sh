#!/bin/sh
# Builds the launcher and its packages twice, from two clones of this
# repository in different folders with different build folders, and checks
# that the exe, the zip and the setup program are byte-identical (SHA-256).
# Changes not yet committed are carried into both clones.
#
# usage: tools/check-reproducible.sh [WORK_DIR]
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$(mktemp -d)}
rm -rf "$work"
mkdir -p "$work"

build() {  # build CLONE BUILD_DIR: prints the SHA-256 of what ships
    git clone -q --no-local "$source_dir" "$1"
    (cd "$source_dir" && git ls-files -z --modified --others --exclude-standard) |
        (cd "$source_dir" && xargs -0 -r sh -c \
            'dest=$0; for f; do if [ -e "$f" ]; then cp --parents "$f" "$dest"; else rm -f "$dest/$f"; fi; done' "$1")
    cmake -S "$1" -B "$2" -DCMAKE_TOOLCHAIN_FILE="$1/cmake/mingw-w64-x86_64.cmake" \
        -DBUILD_TESTING=OFF >"$2.log" 2>&1
    cmake --build "$2" --parallel 2 >>"$2.log" 2>&1
    # The README's own package command, with nothing set by hand.
    (cd "$2" && cpack --config CPackConfig.cmake -B package) >>"$2.log" 2>&1
    (cd "$2" && sha256sum "launcher/Quillmesh Connector.exe" package/*.zip package/*-setup.exe)
}

first=$(build "$work/a/src" "$work/a/build")
second=$(build "$work/second copy/of the sources" "$work/b")
echo "build 1:"; echo "$first"
echo "build 2:"; echo "$second"
if [ "$first" != "$second" ]; then
    echo "NOT reproducible: the two builds differ." >&2
    exit 1
fi
echo "reproducible: exe, zip and setup program are byte-identical in both builds"
