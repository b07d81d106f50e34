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
trap 'wine_env_down "$top/build/win64"' EXIT
status=0
echo "== native tests"
(cd build/native && ctest --output-on-failure -j2) || status=1
echo "== windows tests (wine64)"
wine_env_up "$top/build/win64"
(cd build/win64 && ctest --output-on-failure -j2) || status=1
exit $status
