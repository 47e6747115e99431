#!/usr/bin/env bash
# Runs a Windows program of the cross build under wine: quiet, without a
# display, in a wine prefix of its own: WINEPREFIX when set, else
# "wineprefix" in the build folder that holds the program (the nearest folder
# above it with a CMakeCache.txt). The exit code is the program's.
set -euo pipefail
if [ -z "${WINEPREFIX:-}" ]; then
  dir=$(cd "$(dirname "$1")" && pwd)
  while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
  [ "$dir" = / ] && dir=${HOME:-/tmp}
  WINEPREFIX=$dir/wineprefix
fi
export WINEPREFIX WINEDEBUG=-all
# No window may pop up (crash dialogs, first-start notices): no display at all.
unset DISPLAY WAYLAND_DISPLAY
exe="$1"
shift
case "$exe" in
  *.exe) ;;
  *) [ -f "$exe.exe" ] && exe="$exe.exe" ;;
esac
if [ ! -d "$WINEPREFIX" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  wineboot --init </dev/null >/dev/null 2>&1 || true
fi
# The prefix's server and its services outlive the program. Started here with
# no tie to our caller's output (exit code 2: one already runs), they cannot
# hold a caller's pipe open: CTest would wait for them until its time-out.
if wineserver -p5 </dev/null >/dev/null 2>&1; then
  wine wineboot </dev/null >/dev/null 2>&1 || true
fi
exec wine "$exe" "$@"
