#!/bin/bash
# zlib's sources as the distribution ships them (its original tarball with
# Debian's patches), unpacked into build/deps/zlib for the Windows builds,
# which compile zlib themselves with the product's own flags. Does nothing
# when they are there already. Needs root the first time: it adds a source
# entry of the main suite to apt's lists (the security suite's pool lacks
# the original tarballs, so the main suite's version is pinned).
#   zlib-source.sh          fetches them when missing
#   zlib-source.sh --dir    prints the folder
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
version=1:1.2.13.dfsg-1
dest=$top/build/deps/zlib
if [ "${1:-}" = --dir ]; then
    echo "$dest"
    exit 0
fi
[ -f "$dest/infback.c" ] && exit 0

list=/etc/apt/sources.list.d/vantrel-zlib-src.sources
if [ ! -f "$list" ]; then
    cat >"$list" <<'EOF'
Types: deb-src
URIs: (the archive of the machine own main suite)
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
fi
export DEBIAN_FRONTEND=noninteractive
if ! apt-cache showsrc "zlib=$version" 2>/dev/null | grep -q '^Package: zlib'; then
    apt-get update -qq
fi
mkdir -p "$(dirname "$dest")"
work=$(mktemp -d "$(dirname "$dest")/zlib-fetch.XXXXXX")
chmod 777 "$work"  # apt fetches as its own user
trap 'rm -rf "$work"' EXIT
(cd "$work" && apt-get source -qq "zlib=$version" >/dev/null)
unpacked=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'zlib-*' | head -1)
[ -f "$unpacked/infback.c" ] || { echo "zlib-source: no sources unpacked from zlib $version" >&2; exit 1; }
rm -rf "$dest"
mv "$unpacked" "$dest"
echo "zlib $version sources in $dest"
