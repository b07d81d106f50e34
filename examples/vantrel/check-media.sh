#!/bin/bash
# Checks Vantrel install media against what they were made from: the media
# builder's own verification (install list, archive, masked and compressed
# files, checksums), every entry of install.dat in its form and decoding to
# the file it was made from, and the installer's components beside
# install.dat.
#   check-media.sh MEDIABUILD MEDIA_DIR WIN_BUILD_DIR
mediabuild=$1
media=$2
win=$3
here=$(cd "$(dirname "$0")" && pwd)
status=0
fail() { echo "$*"; status=1; }

"$mediabuild" verify "$media" >/dev/null || fail "mediabuild verify failed"
listing=$("$mediabuild" list "$media")
count=$(grep -cE '^  (plain|archive|compressed|masked) ' <<<"$listing")
[ "$count" = 11 ] || fail "install.dat has $count entries, not 11"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$mediabuild" extract "$media" "$out" >/dev/null || fail "mediabuild extract failed"

# form, destination, what it decodes to (as setup.exe places it)
while IFS='|' read -r form dest original; do
    grep -qE "^  $form +.* -> $(sed 's/[\\.]/\\&/g' <<<"$dest")\$" <<<"$listing" ||
        fail "install.dat does not install $dest as a $form entry"
    cmp -s "$original" "$out/${dest//\\//}" || fail "$dest does not decode to $original"
done <<TABLE
plain|hub.exe|$win/bin/hub.exe
plain|prodkit.dll|$win/bin/prodkit.dll
compressed|relay.exe|$win/bin/relay.exe
compressed|ddeproc.exe|$win/bin/ddeproc.exe
archive|relay alt.exe|$win/bin/relay alt.exe
archive|linkup.exe|$win/bin/linkup.exe
masked|grabber.exe|$win/bin/grabber.exe
archive|vantrel_setup.exe|$win/bin/vantrel_setup.exe
archive|help\\index.html|$here/help/index.html
archive|help\\showver.htm|$here/help/showver.htm
compressed|help\\prefetch.htm|$here/help/prefetch.htm
TABLE

# The installer and what it loads and runs from beside install.dat.
cmp -s "$here/license.txt" "$media/license.txt" || fail "license.txt is not the product's licence"
for f in setup.exe langres.dll hostinfo.dll hdlutil.exe hdlutil.dll; do
    cmp -s "$win/bin/$f" "$media/$f" || fail "$f is not beside install.dat as built"
done
exit $status
