#!/usr/bin/env bash
# Takes one PNG per page and per visual variant of the window, as a person sees
# it: the tool runs in a virtual X server (Xvfb), the page buttons are clicked
# with xdotool and each window is captured with ImageMagick's import.
#
#   scripts/screenshot.sh [OUT_DIR]        (default: build/screenshots)
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
  [ -n "$TOOL_PID" ] && kill "$TOOL_PID" 2>/dev/null || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

# A free display number.
DISP=90
while [ -e "/tmp/.X11-unix/X$DISP" ] || [ -e "/tmp/.X$DISP-lock" ]; do DISP=$((DISP + 1)); done
Xvfb ":$DISP" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$DISP" ] && break; sleep 0.1; done
export DISPLAY=":$DISP"
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
  [ "$1" = skinned ] || [ "$1" = updateonly ] && top=26
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

count=0
for variant in plain dark skinned titlebar updateonly; do
  home="$(make_home "$variant")"
  mkdir -p "$WORK/run-$variant"
  # shellcheck disable=SC2086
  (cd "$WORK/run-$variant" && exec "$BIN" --home "$home" $EXTRA_ARGS) >"$WORK/$variant.log" 2>&1 &
  TOOL_PID=$!
  wid=""
  for _ in $(seq 100); do
    wid="$(xdotool search --onlyvisible --name "SSD Tools" 2>/dev/null | head -1 || true)"
    [ -n "$wid" ] && break
    sleep 0.1
  done
  [ -n "$wid" ] || { echo "screenshot: no window for $variant" >&2; cat "$WORK/$variant.log" >&2; exit 1; }
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  pages="deviceinfo smart summary update option"
  [ "$variant" = updateonly ] && pages="update"
  for page in $pages; do
    read -r bx by <<<"$(button "$variant" "$page")"
    xdotool mousemove "$((X + bx))" "$((Y + by))" click 1
    xdotool mousemove 1270 790
    sleep 0.6
    "$IMPORT" -window "$wid" "$OUT/$variant-$page.png"
    count=$((count + 1))
  done
  kill "$TOOL_PID" 2>/dev/null || true
  wait "$TOOL_PID" 2>/dev/null || true
  TOOL_PID=""
done
echo "screenshot: $count pictures in $OUT"
