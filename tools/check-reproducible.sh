#!/bin/sh
# Builds the launcher twice, from two copies of the sources in different
# folders with different build folders, and checks that the exes are
# byte-identical (same SHA-256).
#
# usage: tools/check-reproducible.sh [WORK_DIR]
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$(mktemp -d)}
rm -rf "$work"
mkdir -p "$work"

build() {  # build SOURCE_COPY BUILD_DIR
    mkdir -p "$1"
    # The tracked and not-ignored files, as they are in the working tree.
    (cd "$source_dir" && git ls-files -z --cached --others --exclude-standard |
        xargs -0 cp --parents -t "$1")
    cmake -S "$1" -B "$2" -DCMAKE_TOOLCHAIN_FILE="$1/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel -DBUILD_TESTING=OFF >"$2.log" 2>&1
    cmake --build "$2" --target quillmesh-launcher >>"$2.log" 2>&1
    sha256sum "$2/launcher/Quillmesh Connector.exe" | cut -d' ' -f1
}

first=$(build "$work/a/src" "$work/a/build")
second=$(build "$work/second copy/of the sources" "$work/b")
echo "build 1: $first"
echo "build 2: $second"
if [ "$first" != "$second" ]; then
    echo "NOT reproducible: the two builds differ." >&2
    exit 1
fi
echo "reproducible: both builds are byte-identical"
