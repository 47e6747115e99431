#!/usr/bin/env bash
# Writes ssdtools-win32.zip from a Windows build: the two programs, the tool
# folder as the demo has it (Setting.ini, rule files, the generated firmware
# package) and a README, all in one folder "ssdtools".
# usage: package-windows.sh BUILD_DIR
set -euo pipefail
build=$(realpath "${1:?usage: package-windows.sh BUILD_DIR}")
src=$(cd "$(dirname "$0")/.." && pwd)
stage="$build/package"
rm -rf "$stage" "$build/ssdtools-win32.zip"
mkdir -p "$stage/ssdtools"
cp "$build/bin/ssdtools.exe" "$build/bin/ssdtools-cli.exe" "$stage/ssdtools/"
cp -r "$build/demo/." "$stage/ssdtools/"
rm -f "$stage/ssdtools/.package-stamp"
# Windows' own line ends, so Notepad shows it as written.
sed 's/$/\r/' "$src/src/gui/windows/README.txt" >"$stage/ssdtools/README.txt"
# Nothing but the system's DLLs may be needed beside the programs.
for exe in "$stage"/ssdtools/*.exe; do
  extra=$(${OBJDUMP:-i686-w64-mingw32-objdump} -p "$exe" | sed -n 's/^\s*DLL Name: //p' |
    grep -viE '^(kernel32|user32|advapi32|msvcrt|version|setupapi|cfgmgr32|shell32|ole32|gdi32|comctl32|ws2_32)\.dll$' || true)
  if [ -n "$extra" ]; then
    echo "package-windows: $exe needs DLLs that Windows does not have: $extra" >&2
    exit 1
  fi
done
(cd "$stage" && zip -q -r -X "$build/ssdtools-win32.zip" ssdtools)
echo "package-windows: $build/ssdtools-win32.zip"
