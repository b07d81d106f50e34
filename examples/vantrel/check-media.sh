#!/bin/bash
# Checks Vantrel install media: the media builder's own verification (install
# list, archive, masked and compressed files, checksums), every form of entry
# present, and the components the installer loads beside install.dat.
#   check-media.sh MEDIABUILD MEDIA_DIR
mediabuild=$1
media=$2
status=0
"$mediabuild" verify "$media" >/dev/null || { echo "mediabuild verify failed"; status=1; }
listing=$("$mediabuild" list "$media")
for form in plain archive compressed masked; do
    grep -q "^  $form " <<<"$listing" || { echo "no $form entry in install.dat"; status=1; }
done
for dest in hub.exe relay.exe "relay alt.exe" ddeproc.exe linkup.exe grabber.exe vantrel_setup.exe \
            'help\index.html' 'help\showver.htm' 'help\prefetch.htm'; do
    grep -qF -- "-> $dest" <<<"$listing" || { echo "install.dat does not install $dest"; status=1; }
done
for f in install.dat files.dat license.txt setup.exe langres.dll hostinfo.dll hdlutil.exe hdlutil.dll; do
    [ -f "$media/$f" ] || { echo "$f is not on the media"; status=1; }
done
exit $status
