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

# The source entry names the same archive as the machine's own entry for
# its release's main suite (deb822 .sources files, or one-line .list ones).
list=/etc/apt/sources.list.d/vantrel-zlib-src.sources
if [ ! -f "$list" ]; then
    suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
    stanza=$(awk -v suite="$suite" 'BEGIN { RS = ""; FS = "\n" }
        {
            types = uris = suites = signed = ""
            for (i = 1; i <= NF; i++) {
                if ($i ~ /^Types:/) types = $i
                else if ($i ~ /^URIs:/) uris = $i
                else if ($i ~ /^Suites:/) suites = $i
                else if ($i ~ /^Signed-By:/) signed = $i
            }
            if (types ~ /[ \t]deb([ \t]|$)/ && (suites " ") ~ ("[ \t]" suite " ")) {
                print uris; if (signed != "") print signed; exit
            }
        }' /etc/apt/sources.list.d/*.sources 2>/dev/null)
    if [ -z "$stanza" ]; then
        uri=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
              sed -E 's/\[[^]]*\]//' | awk -v suite="$suite" '$1 == "deb" && $3 == suite { print $2; exit }')
        [ -n "$uri" ] && stanza="URIs: $uri"
    fi
    if [ -z "$stanza" ]; then
        echo "zlib-source: no package source of the suite $suite to take the sources from" >&2
        exit 1
    fi
    printf 'Types: deb-src\n%s\nSuites: %s\nComponents: main\n' "$stanza" "$suite" >"$list"
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
