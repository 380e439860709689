#!/bin/sh
# Installs what building and testing the launcher needs on Debian 12, as root,
# without prompts. Does nothing when everything is already there.
set -eu

PACKAGES="cmake make g++ git libgtest-dev python3 tmux black clang-format
g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64 wine wine64
xvfb xdotool imagemagick twm xfonts-base nsis osslsigncode openssl"

missing=""
for package in $PACKAGES "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
        missing="$missing $package"
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -ne 0 ]; then
    echo "Run as root to install the packages above." >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
# shellcheck disable=SC2086
apt-get install -y -q --no-install-recommends $missing
