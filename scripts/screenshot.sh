#!/usr/bin/env bash
# Takes one PNG per page and per visual variant of the window, as a person sees
# it: the tool runs in a virtual X server (Xvfb), the page buttons are clicked
# with xdotool and each window is captured with ImageMagick's import.
#
#   scripts/screenshot.sh [OUT_DIR]        (default: build/screenshots)
#
# Beside each PNG the window's layout report (*.layout.txt: geometry, column
# widths and the problems found); the script fails when a page has a problem
# or the window title carries more than the tool's caption.
#
# SSDTOOLS_BIN picks the executable (default build/bin/ssdtools); SSDTOOLS_ARGS
# adds arguments (for example "--lab demo"). The variants use copies of the demo
# tool folder (build/demo when generated, else demo/) with their own settings
# and Res\ bitmaps, drawn here with ImageMagick.
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
OUT="$(mkdir -p "${1:-$ROOT/build/screenshots}" && cd "${1:-$ROOT/build/screenshots}" && pwd)"
BIN="${SSDTOOLS_BIN:-$ROOT/build/bin/ssdtools}"
EXTRA_ARGS="${SSDTOOLS_ARGS:-}"
CONVERT=/usr/bin/convert
IMPORT=/usr/bin/import
for tool in Xvfb xdotool "$CONVERT" "$IMPORT"; do
  command -v "$tool" >/dev/null || { echo "screenshot: $tool missing (scripts/install-deps.sh)" >&2; exit 1; }
done
[ -x "$BIN" ] || { echo "screenshot: $BIN not built" >&2; exit 1; }

DEMO_HOME="$ROOT/build/demo"
[ -f "$DEMO_HOME/Setting.ini" ] || DEMO_HOME="$ROOT/demo"
WORK="$(mktemp -d)"
XVFB_PID=""
TOOL_PID=""
cleanup() {
  if [ -n "$TOOL_PID" ]; then kill "$TOOL_PID" 2>/dev/null || true; fi
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
  rm -rf "$WORK"
}
trap cleanup EXIT

# The X server picks a free display itself and writes its number once it
# accepts connections (-displayfd), so neither a display taken by another run
# nor a slow start can break the run; -noreset keeps it up between the tools.
start_xvfb() {
  local ready="$WORK/display"
  : >"$ready"
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$ready" \
    >"$WORK/xvfb.log" 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 300); do
    [ -s "$ready" ] && break
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -s "$ready" ]; then
    echo "screenshot: the X server did not start" >&2
    cat "$WORK/xvfb.log" >&2
    exit 1
  fi
  DISPLAY=":$(head -1 "$ready")"
  export DISPLAY
  for _ in $(seq 100); do
    xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "screenshot: the X server on $DISPLAY does not answer" >&2
  exit 1
}
start_xvfb
unset WAYLAND_DISPLAY QT_QPA_PLATFORM

# Skin bitmaps of our own: plain gradients with a caption.
bitmap() {  # file width height caption
  "$CONVERT" -size "$2x$3" gradient:'#2b4a6f-#16283b' -fill white -font DejaVu-Sans-Bold \
    -pointsize 14 -gravity center -annotate +0+0 "$4" "BMP3:$1"
}

# variant name, settings lines, bitmaps to draw
make_home() {
  local home="$WORK/$1"
  mkdir -p "$home/Res"
  cp -r "$DEMO_HOME/." "$home/"
  sed -i -e 's/^EnableOption=.*/EnableOption=1/' -e 's/^EnableSummary=.*/EnableSummary=1/' \
    -e 's/^ErrorLog=.*/ErrorLog=0/' "$home/Setting.ini"
  case "$1" in
    dark) sed -i 's/^CustomerType=.*/CustomerType=1/' "$home/Setting.ini" ;;
    skinned)
      bitmap "$home/Res/SSDItemIcon.BMP" 210 180 "Device Info\n\n\nSMART\n\n\nUpdate FW"
      bitmap "$home/Res/SSDOptionIcon.BMP" 207 49 "Option"
      bitmap "$home/Res/SSDSummaryIcon.BMP" 207 49 "Summary" ;;
    titlebar) bitmap "$home/Res/Title.BMP" 982 26 "SSD Tools" ;;
    updateonly)
      sed -i 's/^UpdateFWOnly=.*/UpdateFWOnly=1/' "$home/Setting.ini"
      bitmap "$home/Res/UpdateFWIcon.BMP" 210 180 "Update FW" ;;
  esac
  echo "$home"
}

# Centre of a page button (x y within the window) per variant.
button() {  # variant page
  local top=0 x=111
  # Below a custom title bar the body, and so every button, moves down 26 px.
  case "$1" in skinned | titlebar | updateonly) top=26 ;; esac
  case "$1:$2" in
    dark:summary) echo "$x $((112 + 24))" ;;
    dark:deviceinfo) echo "$x $((176 + 24))" ;;
    dark:smart) echo "$x $((240 + 24))" ;;
    dark:update) echo "$x $((305 + 24))" ;;
    dark:option) echo "$x $((370 + 24))" ;;
    skinned:deviceinfo) echo "114 $((top + 118 + 28))" ;;
    skinned:smart) echo "114 $((top + 173 + 28))" ;;
    skinned:update) echo "114 $((top + 228 + 28))" ;;
    *:deviceinfo) echo "$x $((top + 112 + 24))" ;;
    *:smart) echo "$x $((top + 176 + 24))" ;;
    *:update) echo "$x $((top + 240 + 24))" ;;
    *:option) echo "$x $((top + 305 + 24))" ;;
    *:summary) echo "$x $((top + 370 + 24))" ;;
  esac
}

# What the window's layout report shows once a page is open.
page_marker() {
  case "$1" in
    deviceinfo) echo 'LV_ShowData column 0 "Device Info"' ;;
    smart) echo 'LV_ShowData column 0 "SMART"' ;;
    summary) echo 'PN_Summary ' ;;
    update) echo 'PN_UpdateFW ' ;;
    option) echo 'PN_Option ' ;;
  esac
}

count=0
problems=0
for variant in plain dark skinned titlebar updateonly; do
  home="$(make_home "$variant")"
  mkdir -p "$WORK/run-$variant"
  report="$WORK/$variant-layout.txt"
  rm -f "$report"
  # shellcheck disable=SC2086
  (cd "$WORK/run-$variant" && SSDTOOLS_LAYOUT_REPORT="$report" exec "$BIN" --home "$home" \
    $EXTRA_ARGS) >"$WORK/$variant.log" 2>&1 &
  TOOL_PID=$!
  wid=""
  for _ in $(seq 300); do
    wid="$(xdotool search --onlyvisible --name "SSD Tools" 2>/dev/null | head -1 || true)"
    [ -n "$wid" ] && break
    kill -0 "$TOOL_PID" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$wid" ] || { echo "screenshot: no window for $variant" >&2; cat "$WORK/$variant.log" >&2; exit 1; }
  # The title is the tool's caption alone, with nothing appended.
  title="$(xdotool getwindowname "$wid")"
  if ! [[ "$title" =~ ^SSD\ Tools\ V[0-9]+\.[0-9]+\.[0-9]+_[^\ ]*$ ]]; then
    echo "screenshot: $variant: window title \"$title\"" >&2
    problems=$((problems + 1))
  fi
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  pages="deviceinfo smart summary update option"
  [ "$variant" = updateonly ] && pages="update"
  for page in $pages; do
    read -r bx by <<<"$(button "$variant" "$page")"
    xdotool mousemove "$((X + bx))" "$((Y + by))" click 1
    xdotool mousemove 1270 790
    marker="$(page_marker "$page")"
    shown=""
    for _ in $(seq 50); do
      if [ -f "$report" ] && grep -qF "$marker" "$report"; then shown=1; break; fi
      sleep 0.1
    done
    # Without a drive the SMART page keeps the Device Info columns: the same
    # screen, so nothing more is there to wait for.
    if [ -z "$shown" ] && [ "$page" = smart ] && grep -qF "$(page_marker deviceinfo)" "$report"; then
      shown=1
    fi
    [ -n "$shown" ] || { echo "screenshot: $variant: the $page page did not open" >&2; exit 1; }
    sleep 0.5
    "$IMPORT" -window "$wid" "$OUT/$variant-$page.png"
    cp "$report" "$OUT/$variant-$page.layout.txt"
    # The window's own check: nothing over the status bar or the title bar,
    # every list text shown whole or in its row's tooltip.
    if grep -q '^PROBLEM ' "$OUT/$variant-$page.layout.txt"; then
      echo "screenshot: $variant-$page:" >&2
      grep '^PROBLEM ' "$OUT/$variant-$page.layout.txt" | sed 's/^PROBLEM /  /' >&2
      problems=$((problems + 1))
    fi
    count=$((count + 1))
  done
  kill "$TOOL_PID" 2>/dev/null || true
  wait "$TOOL_PID" 2>/dev/null || true
  TOOL_PID=""
done
echo "screenshot: $count pictures in $OUT"
if [ "$problems" -gt 0 ]; then
  echo "screenshot: $problems page(s) with layout problems (see *.layout.txt)" >&2
  exit 1
fi
