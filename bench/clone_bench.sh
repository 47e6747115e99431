#!/usr/bin/env bash
# Disk clone benchmark on a lab machine: `ssdtools clone` against dd and cp on
# the same media files. Prints one table. Not a test: wall times depend on the
# machine; run it on a quiet one.
#   bench/clone_bench.sh path/to/ssdtools [work-folder]
set -euo pipefail

TOOL=$(readlink -f "${1:?usage: clone_bench.sh path/to/ssdtools [work-folder]}")
WORK=${2:-$(mktemp -d /tmp/ssdtools-bench.XXXXXX)}
RUNS=${RUNS:-5}
SECTORS=4194304        # 2 GiB of 512-byte sectors
CHUNK_BYTES=3169280    # the clone's chunk: 6190 sectors
mkdir -p "$WORK/lab"
cd "$WORK"

cat > lab/lab.ini <<INI
[Machine]
SystemDirectory=C:\\Windows\\system32

[HostController0]
Pci=0:20.0
Ports=10

[Disk Src]
Attachment=sata
Controller=generic
Number=1
Serial=BENCHSRC0000000001
Capacity=$SECTORS

[Disk Dst]
Attachment=sata
Controller=generic
Number=2
Serial=BENCHDST0000000002
Capacity=$SECTORS
INI

clone() { "$TOOL" clone --lab "$WORK/lab" --home "$WORK" --source PHYSICALDRIVE1 \
  --destination PHYSICALDRIVE2 --yes "$@" 2>/dev/null; }
# Opening the lab once creates the media files.
"$TOOL" clone --lab "$WORK/lab" --home "$WORK" --source 99 --destination 98 2>/dev/null || true
mapfile -t MEDIA < <(find "$WORK/lab" -type f -size +1G | sort)
[ "${#MEDIA[@]}" -eq 2 ] || { echo "media files not found in $WORK/lab" >&2; exit 1; }
# The lab names media after the disk sections; find which file is which.
SRC=""; DST=""
for f in "${MEDIA[@]}"; do
  case "$(basename "$f")" in *[Ss]rc*) SRC=$f ;; *[Dd]st*) DST=$f ;; esac
done
[ -n "$SRC" ] && [ -n "$DST" ] || { echo "cannot tell source and destination media apart" >&2; exit 1; }

now() { date +%s.%N; }
# Each timed command starts with nothing left to write back from the one
# before it or from preparing its files: otherwise the kernel's write-back of
# that data lands inside whichever command runs next.
elapsed() { local t0; sync; t0=$(now); "$@" >/dev/null; echo "$(now) - $t0" | bc -l; }
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
fresh_dst() { rm -f "$DST"; truncate -s $((SECTORS * 512)) "$DST"; }

# --- Dense source: every chunk holds data ---------------------------------------
head -c $((SECTORS * 512)) /dev/urandom > "$SRC"
cat "$SRC" > /dev/null   # both sides start from the page cache
# One untimed pair first: the first 2 GiB of page cache after the source was
# written lands on memory the virtual machine has not touched yet, which
# costs whichever side runs first up to twice its time.
fresh_dst; clone >/dev/null
fresh_dst; dd if="$SRC" of="$DST" bs=$CHUNK_BYTES conv=notrunc status=none
tool_d=(); dd_d=()
for _ in $(seq "$RUNS"); do
  fresh_dst; tool_d+=("$(elapsed clone)")
  cmp -s "$SRC" "$DST" || { echo "dense clone is not identical" >&2; exit 1; }
  fresh_dst; dd_d+=("$(elapsed dd if="$SRC" of="$DST" bs=$CHUNK_BYTES conv=notrunc status=none)")
done

# --- 90 % empty source, --ignore-zero ---------------------------------------------
rm -f "$SRC"; truncate -s $((SECTORS * 512)) "$SRC"
# Data in the first tenth of every 20 MiB stretch: 10 % of the disk.
for ((mb = 0; mb < SECTORS / 2048; mb += 20)); do
  dd if=/dev/urandom of="$SRC" bs=1M count=2 seek=$mb conv=notrunc status=none
done
cat "$SRC" > /dev/null
# The destination holds old data everywhere, so a clone that leaves zero
# stretches out must still zero them; dd writes over the same old data. The
# old data is on the disk, not in the page cache, as a disk's old contents
# are. With it still cached, zeroing costs the kernel about as much per page
# as dd's overwrite: the reference row below shows that case.
old_dst() {
  { yes 'old data' || true; } | head -c $((SECTORS * 512)) > "$DST"
  sync
  [ "${1:-}" = cached ] || dd if="$DST" iflag=nocache count=0 status=none
}
tool_s=(); dd_s=(); cp_s=(); tool_c=(); dd_c=()
for _ in $(seq "$RUNS"); do
  old_dst; tool_s+=("$(elapsed clone --ignore-zero)")
  cmp -s "$SRC" "$DST" || { echo "sparse clone is not identical" >&2; exit 1; }
  old_dst; dd_s+=("$(elapsed dd if="$SRC" of="$DST" bs=$CHUNK_BYTES conv=notrunc status=none)")
  old_dst cached; tool_c+=("$(elapsed clone --ignore-zero)")
  cmp -s "$SRC" "$DST" || { echo "sparse clone is not identical" >&2; exit 1; }
  old_dst cached; dd_c+=("$(elapsed dd if="$SRC" of="$DST" bs=$CHUNK_BYTES conv=notrunc status=none)")
  rm -f "$DST"; cp_s+=("$(elapsed cp --sparse=always "$SRC" "$DST")")
done

# --- Peak memory: the clone against the same process doing no copy ---------------
fresh_dst
peak() { { /usr/bin/time -f %M "$@" 2>&1 >/dev/null || true; } | tail -1; }
idle_kb=$(peak "$TOOL" clone --lab "$WORK/lab" --home "$WORK" --source PHYSICALDRIVE1 --destination PHYSICALDRIVE2)
clone_kb=$(peak "$TOOL" clone --lab "$WORK/lab" --home "$WORK" --source PHYSICALDRIVE1 --destination PHYSICALDRIVE2 --yes)

td=$(median "${tool_d[@]}"); dd1=$(median "${dd_d[@]}")
ts=$(median "${tool_s[@]}"); dd2=$(median "${dd_s[@]}"); cps=$(median "${cp_s[@]}")
tc=$(median "${tool_c[@]}"); dd3=$(median "${dd_c[@]}")
printf '\nClone benchmark, 2 GiB lab disks, median of %d alternating runs\n' "$RUNS"
printf '%-44s %10s %10s %8s %8s\n' "case" "ssdtools" "reference" "ratio" "target"
printf '%-44s %9.3fs %9.3fs %8.2f %8s\n' "dense, vs dd bs=$CHUNK_BYTES" "$td" "$dd1" \
  "$(echo "$td / $dd1" | bc -l)" "<=1.10"
printf '%-44s %9.3fs %9.3fs %8.2f %8s\n' "90% empty --ignore-zero, vs dd" "$ts" "$dd2" \
  "$(echo "$ts / $dd2" | bc -l)" "<=0.50"
printf '%-44s %9.3fs %9.3fs %8.2f %8s\n' "  same, old data in the page cache (reference)" "$tc" "$dd3" \
  "$(echo "$tc / $dd3" | bc -l)" ""
printf '%-44s %10s %9.3fs\n' "90% empty, cp --sparse=always (reference)" "" "$cps"
printf '%-44s %8d KiB (clone %d KiB, idle %d KiB) %s\n' "peak memory above idle" \
  $((clone_kb - idle_kb)) "$clone_kb" "$idle_kb" "<=16384 KiB"
