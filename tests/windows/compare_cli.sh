#!/usr/bin/env bash
# The Windows command-line program under wine prints what the Linux build
# prints on the demo lab: `list --json`, `info`, `smart` (text and JSON) and
# `summary` for every listed drive. Each side runs in a demo lab folder of its
# own; only line ends (CR LF on Windows), the tool folder's and the lab's
# paths may differ.
# usage: compare_cli.sh LINUX_SSDTOOLS LINUX_DEMO_HOME WINDOWS_BUILD_DIR
set -euo pipefail
linux_exe=$(realpath "$1")
linux_home=$(realpath "$2")
win_build=$(realpath "$3")
here=$(cd "$(dirname "$0")" && pwd)
wine_run="$here/../../scripts/wine-run.sh"
win_exe="$win_build/bin/ssdtools-cli.exe"
win_home="$win_build/demo"
work="$win_build/compare-cli"
rm -rf "$work"
mkdir -p "$work/linux" "$work/windows" "$work/probe"

# Z: is wine's drive for the Unix root.
winpath() { echo "Z:${1//\//\\}"; }

run_linux() {
  (cd "$work/linux" && SSDTOOLS_DEMO_LAB="$work/linux/lab" "$linux_exe" "$@" --lab demo \
    --home "$linux_home")
}
run_windows() {
  (cd "$work/windows" && SSDTOOLS_DEMO_LAB="$(winpath "$work/windows/lab")" \
    "$wine_run" "$win_exe" "$@" --lab demo --home "$(winpath "$win_home")") | tr -d '\r'
}

# The drives both sides list (indexes as in `list`), from a lab of its own:
# every start is a power cycle of the lab's drives, so both compared labs
# must see the same starts.
(cd "$work/probe" && SSDTOOLS_DEMO_LAB="$work/probe/lab" "$linux_exe" list --json --lab demo \
  --home "$linux_home") >"$work/probe/list.json" 2>/dev/null
indexes=$(grep -o '"index": [0-9]*' "$work/probe/list.json" | grep -o '[0-9]*$')
[ -n "$indexes" ] || { echo "compare_cli: the Linux build lists no drive" >&2; exit 1; }

commands=("list --json" "list")
for i in $indexes; do
  commands+=("info $i" "info $i --json" "smart $i" "smart $i --json" "summary $i")
done

passed=0
failed=0
for c in "${commands[@]}"; do
  name=${c// /_}
  # shellcheck disable=SC2086  # the command's words
  lrc=0; run_linux $c >"$work/linux/$name.out" 2>"$work/linux/$name.err" || lrc=$?
  # shellcheck disable=SC2086
  wrc=0; run_windows $c >"$work/windows/$name.out" 2>"$work/windows/$name.err" || wrc=$?
  tr -d '\r' <"$work/windows/$name.err" >"$work/windows/$name.err.lf"
  if [ "$lrc" != "$wrc" ]; then
    echo "FAIL $c: exit code $lrc on Linux, $wrc on Windows"
    failed=$((failed + 1))
  elif ! diff -u "$work/linux/$name.out" "$work/windows/$name.out" >"$work/$name.diff" ||
       ! diff -u "$work/linux/$name.err" "$work/windows/$name.err.lf" >>"$work/$name.diff"; then
    echo "FAIL $c: outputs differ"
    head -40 "$work/$name.diff"
    failed=$((failed + 1))
  elif [ ! -s "$work/linux/$name.out" ]; then
    echo "FAIL $c: no output"
    failed=$((failed + 1))
  else
    passed=$((passed + 1))
  fi
done
echo "compare_cli: $passed passed, $failed failed"
[ "$failed" = 0 ]
