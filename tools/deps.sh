#!/bin/bash
# Installs the Debian packages the builds and tests need, when missing, and
# fetches zlib's sources for the Windows builds (tools/zlib-source.sh).
# Never the i386 architecture: this machine runs 64-bit Wine only.
#   deps.sh          installs them
#   deps.sh --list   prints their names
set -e
packages="g++-mingw-w64-i686 g++-mingw-w64-x86-64 dpkg-dev wine64 xvfb
x11-apps x11-utils imagemagick cmake make googletest zlib1g-dev clang libclang-rt-14-dev
dosbox"
if [ "${1:-}" = --list ]; then
    echo $packages
    exit 0
fi
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi
"$(dirname "$0")/zlib-source.sh"
