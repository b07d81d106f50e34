#!/bin/bash
# The test command: installs what is missing, builds all three builds and runs
# every test (native under the sanitizers, Windows ones under Wine). Exit
# status 0 only when everything passed.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
if [ "$(id -u)" = 0 ]; then
    tools/deps.sh
fi
# From here on only the programs that a fresh machine has after deps.sh.
echo "== programs"
. tools/cleanpath.sh
clean_path_up "$top/build/path"
tools/build.sh
. tools/wine/wineenv.sh
trap 'wine_lanes_down "$top/build/win64"' EXIT
status=0
phase=$SECONDS
echo "== native tests"
(cd build/native && ctest --output-on-failure -j2) || status=1
echo "   native tests: $((SECONDS - phase)) s"
# Each Windows test runs in a Wine lane of its own (tools/wine/wineenv.sh),
# as many side by side as there are lanes.
phase=$SECONDS
echo "== windows tests (wine64, $WINE_LANES lanes)"
wine_lanes_up "$top/build/win64" || status=1
echo "   the lanes' prefixes, displays and servers: $((SECONDS - phase)) s"
(cd build/win64 && ctest --resource-spec-file wine/lanes.json --output-on-failure -j"$WINE_LANES") || status=1
echo "   windows tests: $((SECONDS - phase)) s"
exit $status
