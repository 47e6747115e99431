#!/bin/sh
# /init of the test's guest: loads the storage drivers, waits for the disks
# the host attached, runs the tool, smartctl and nvme-cli on them and writes
# every output into the host's share (/out), then powers off.
export PATH=/bin:/sbin:/usr/bin:/usr/sbin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
dmesg -n 1

# The guest's clock starts at the host's time; the tool's logs need no more.
for m in $(cat /etc/modules.list); do
  case "$m" in
    */usb-storage.ko) insmod "/lib/modules/$m" delay_use=0 ;;
    *) insmod "/lib/modules/$m" ;;
  esac
done

mkdir -p /out
if ! mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 out /out; then
  echo "VMTEST: cannot mount the output share" >/dev/console
  poweroff -f
fi
log() {
  up=$(cut -d' ' -f1 /proc/uptime)
  echo "VMTEST: [$up] $*" >/dev/console
  echo "[$up] $*" >>/out/guest.log
}

# Disks as the host attached them: whole disks under /sys/block (hidden
# multipath paths nvmeXcYnZ left out).
want=$(cat /etc/vm-disk-count)
disks() { ls /sys/block | grep -E '^(sd[a-z]+|nvme[0-9]+n[0-9]+)$'; }
i=0
while [ "$(disks | wc -l)" -lt "$want" ] && [ $i -lt 600 ]; do
  sleep 0.1
  i=$((i + 1))
done
log "disks after $((i / 10)) s: $(disks | tr '\n' ' ')"
# Let the last disk's partition scan and sg node settle.
sleep 1

# What the kernel shows, for the comparison's mapping and the report.
for d in $(disks); do
  {
    echo "name=$d"
    echo "path=$(readlink -f /sys/block/$d)"
    echo "size512=$(cat /sys/block/$d/size)"
    for f in vendor model rev serial firmware_rev; do
      [ -f /sys/block/$d/device/$f ] && echo "$f=$(cat /sys/block/$d/device/$f)"
    done
    echo "max_hw_sectors_kb=$(cat /sys/block/$d/queue/max_hw_sectors_kb)"
    echo "logical_block_size=$(cat /sys/block/$d/queue/logical_block_size)"
    [ -f /sys/block/$d/nsid ] && echo "nsid=$(cat /sys/block/$d/nsid)"
    # The USB device a disk hangs off, and the hub above it.
    u=$(readlink -f /sys/block/$d)
    while [ "$u" != / ] && [ ! -f "$u/idVendor" ]; do u=$(dirname "$u"); done
    if [ -f "$u/idVendor" ]; then
      echo "usb_vid=$(cat $u/idVendor)"
      echo "usb_pid=$(cat $u/idProduct)"
      echo "usb_serial=$(cat $u/serial 2>/dev/null)"
      echo "usb_devpath=$(cat $u/devpath)"
      echo "usb_busnum=$(cat $u/busnum)"
      echo "usb_hub_ports=$(cat $(dirname $u)/maxchild)"
    fi
  } >/out/sysfs_$d.txt
done
ls -l /sys/class/nvme /sys/class/nvme-subsystem >/out/sysfs_nvme.txt 2>&1

# The kernel name of the disk with this serial; for NVMe also the namespace
# id (default 1), as a controller's namespaces share its serial.
dev_of() {
  for d in $(disks); do
    case "$d" in
      nvme*)
        [ "$(tr -d ' ' </sys/block/$d/device/serial 2>/dev/null)" = "$1" ] || continue
        [ "$(cat /sys/block/$d/nsid 2>/dev/null)" = "${2:-1}" ] || continue
        ;;
      *)
        if [ -f /sys/block/$d/device/vpd_pg80 ]; then
          grep -q "$1" /sys/block/$d/device/vpd_pg80 || continue
        else
          smartctl -i /dev/$d | grep -q "Serial Number: *$1\$" || continue
        fi
        ;;
    esac
    echo "$d"
    return
  done
}
# MD5 of LENGTH bytes of a device from byte OFFSET (both whole MiB), read
# after dropping the kernel's cached blocks of it, so what a command sent
# around the page cache (a format, another process's writes) is what is read.
md5_of() {
  blockdev --flushbufs "$1"
  dd if="$1" bs=1048576 skip=$(($2 / 1048576)) count=$(($3 / 1048576)) 2>/dev/null |
    md5sum | cut -d' ' -f1
}
zero_md5() { head -c "$1" /dev/zero | md5sum | cut -d' ' -f1; }

# An ext4 file system mounted on the third SATA disk, as a disk in use is
# when the tool starts; the destructive commands below must leave it alone.
ext4_dev=$(dev_of VMSATA0003)
echo "dev=$ext4_dev" >/out/ext4.txt
i=0
while [ -n "$ext4_dev" ] && [ ! -b /dev/${ext4_dev}1 ] && [ $i -lt 50 ]; do
  sleep 0.1
  i=$((i + 1))
done
mkdir -p /mnt/vmdata
mount -t ext4 /dev/${ext4_dev}1 /mnt/vmdata >>/out/ext4.txt 2>&1
echo "mount_rc=$?" >>/out/ext4.txt
echo "before=$(md5sum /mnt/vmdata/data.bin | cut -d' ' -f1)" >>/out/ext4.txt
grep vmdata /proc/mounts >>/out/ext4.txt
log "references"

# The references: smartctl on every sd disk, nvme-cli on every controller and namespace.
for d in $(disks); do
  case "$d" in
    sd*)
      # As smartctl picks the device type itself; then through SAT, which
      # tells whether the disk has ATA pass-through; USB disks also as SCSI.
      smartctl -x --json=c /dev/$d >/out/smartctl_$d.json 2>&1
      smartctl -d sat -i --json=c /dev/$d >/out/smartctl_sat_$d.json 2>&1
      case "$(readlink -f /sys/block/$d)" in
        */usb*) smartctl -d scsi -x --json=c /dev/$d >/out/smartctl_scsi_$d.json 2>&1 ;;
      esac
      ;;
    nvme*)
      nvme id-ns /dev/$d -o json >/out/nvme_idns_$d.json 2>&1
      ;;
  esac
done
for c in $(ls /sys/class/nvme); do
  nvme id-ctrl /dev/$c -o json >/out/nvme_idctrl_$c.json 2>&1
  nvme smart-log /dev/$c -o json >/out/nvme_smart_$c.json 2>&1
done
nvme list -o json >/out/nvme_list.json 2>&1
# What a controller answers to a firmware download and commit, for the
# statuses the tool must pass on.
dd if=/dev/zero of=/tmp/fw.bin bs=4096 count=1 2>/dev/null
for c in $(ls /sys/class/nvme); do
  nvme fw-download /dev/$c --fw=/tmp/fw.bin >/out/nvme_fwdl_$c.txt 2>&1
  nvme fw-commit /dev/$c --slot=1 --action=1 >/out/nvme_fwcommit_$c.txt 2>&1
  nvme admin-passthru /dev/$c --opcode=0xc0 >/out/nvme_vendor_$c.txt 2>&1
done

log "tool"
# The tool, headless, in a folder of its own (it writes its run log there).
mkdir -p /run/tool && cd /run/tool
# Subcommand first, then its options.
tool() {
  c=$1
  shift
  ssdtools "$c" --home /tool "$@"
}
run() {
  name=$1
  shift
  "$@" >/out/$name.out 2>/out/$name.err
  echo $? >/out/$name.rc
}
run list_all tool list --all --json --trace
run list tool list --json
run list_text tool list --all
# The identified drives' indexes: their places in the enumeration, which
# need not run 0, 1, 2.
indexes=$(sed -n 's/.*"index": \([0-9]*\).*/\1/p' /out/list.out)
count=$(echo $indexes | wc -w)
for n in $indexes; do
  run info_$n tool info $n --json
  run smart_$n tool smart $n --json
done
log "tool listed $count identified drive(s)"

log "probe"
run probe ssdtools_vm_probe --in-vm

# Without root the device nodes cannot be opened: the tool must say so.
echo 'root:x:0:0::/root:/bin/sh' >/etc/passwd
echo 'nobody:x:65534:65534::/tmp:/bin/sh' >>/etc/passwd
printf 'root:x:0:\nnogroup:x:65534:\n' >/etc/group
chmod 1777 /tmp
(cd /tmp && su -s /bin/sh -c 'ssdtools list --home /tool --json' nobody \
  >/out/nonroot.out 2>/out/nonroot.err)
echo $? >/out/nonroot.rc

# --- Destructive commands aimed at the wrong disk, or at one namespace ------
log "destructive"
# The tool's name for a disk, looked up by serial (and capacity in bytes,
# where a controller's namespaces share one serial) in `list --all`: a
# display name every subcommand takes, whatever the list's numbering.
name_of() {
  awk -v s="$1" -v c="${2:-}" '
    function val(l) { sub(/^[^:]*: */, "", l); sub(/,$/, "", l); gsub(/^"|"$/, "", l)
                      gsub(/^ +| +$/, "", l); return l }
    function flush() { if (n != "" && ser == s && (c == "" || cap == c) && found == "") found = n
                       n = ""; ser = ""; cap = "" }
    /"index":/ { flush(); match($0, /^ */); ind = RLENGTH; next }
    { match($0, /^ */); if (RLENGTH != ind) next }
    /"name":/ { n = val($0) }
    /"serial":/ { ser = val($0) }
    /"capacityBytes":/ { cap = val($0) }
    END { flush(); print found }' /out/list_all.out
}
# A name that no disk has, so a disk the list lacks is reported as such.
named() { n=$(name_of "$@"); echo "${n:-not-listed-$1}"; }

# 1. The mounted disk: erase it, clone onto it. Both must be refused, naming
# the mount; the file must read back the same after a fresh mount.
src_small=$(named VMNVMEMNS1 8388608)
run inuse_erase tool erase "$(named VMSATA0003)" --yes --json
run inuse_clone tool clone --source "$src_small" --destination "$(named VMSATA0003)" --yes --json
umount /mnt/vmdata >>/out/ext4.txt 2>&1
blockdev --flushbufs /dev/$ext4_dev
mount -t ext4 -o ro /dev/${ext4_dev}1 /mnt/vmdata >>/out/ext4.txt 2>&1
echo "remount_rc=$?" >>/out/ext4.txt
echo "after=$(md5sum /mnt/vmdata/data.bin 2>/dev/null | cut -d' ' -f1)" >>/out/ext4.txt

# 2. Three namespaces of one controller, each filled with its own random
# bytes. nvme-cli formats namespace 3 (what QEMU's Format NVM does to the
# namespace and to the others). Then namespace 2: the tool's erase refuses it
# (QEMU's controller is not a drive the tool identifies) and must leave all
# three alone; the probe sends the erase's own Format NVM to it through the
# tool's device layer, first naming namespace 1 (which the backend must
# refuse, nothing changed), then the namespace the device layer learns from
# the disk, which must format namespace 2 alone, as nvme-cli formatted 3.
ns1=$(dev_of VMNVMEMNS1 1)
ns2=$(dev_of VMNVMEMNS1 2)
ns3=$(dev_of VMNVMEMNS1 3)
{
  echo "ns1=$ns1"
  echo "ns2=$ns2"
  echo "ns3=$ns3"
  for n in 1 2 3; do
    eval d=\$ns$n
    size=$(($(cat /sys/block/$d/size) * 512))
    dd if=/dev/urandom of=/tmp/ns$n.bin bs=1048576 count=$((size / 1048576)) 2>/dev/null
    dd if=/tmp/ns$n.bin of=/dev/$d bs=1048576 conv=fsync 2>/dev/null
    echo "size$n=$size"
    echo "pattern$n=$(md5sum </tmp/ns$n.bin | cut -d' ' -f1)"
    echo "zero$n=$(zero_md5 $size)"
    echo "written$n=$(md5_of /dev/$d 0 $size)"
    rm -f /tmp/ns$n.bin
  done
  nvme format /dev/$ns3 --lbaf=0 --ses=0 --force >/out/nvme_format_ns3.txt 2>&1
  echo "ref_format_rc=$?"
  for n in 1 2 3; do
    eval d=\$ns$n
    echo "ref$n=$(md5_of /dev/$d 0 $(($(cat /sys/block/$d/size) * 512)))"
  done
} >/out/ns.txt 2>&1
ns2_name=$(named VMNVMEMNS1 $((24 * 1048576)))
echo "ns2_name=$ns2_name" >>/out/ns.txt
ns_state() {
  for n in 1 2 3; do
    eval d=\$ns$n
    echo "$1$n=$(md5_of /dev/$d 0 $(($(cat /sys/block/$d/size) * 512)))" >>/out/ns.txt
  done
}
run ns_erase tool erase "$ns2_name" --yes --json
ns_state after
run ns_format_other ssdtools_vm_probe --in-vm --format-nvm "$ns2_name" --nsid 1
ns_state other
run ns_format ssdtools_vm_probe --in-vm --format-nvm "$ns2_name"
ns_state format

# 3. A clone from namespace 1 (512-byte sectors, its random bytes) onto the
# namespace of 4096-byte sectors, whose copied range and last MiB hold other
# bytes first: either the range reads back as the source, or the clone is
# refused before it writes anything.
k4=$(dev_of VMNVME4K01)
{
  echo "dev=$k4"
  src_size=$(($(cat /sys/block/$ns1/size) * 512))
  dst_size=$(($(cat /sys/block/$k4/size) * 512))
  echo "src_size=$src_size"
  echo "dst_size=$dst_size"
  echo "logical_block_size=$(cat /sys/block/$k4/queue/logical_block_size)"
  dd if=/dev/urandom of=/dev/$k4 bs=1048576 count=$((src_size / 1048576 + 1)) conv=fsync 2>/dev/null
  dd if=/dev/urandom of=/dev/$k4 bs=1048576 seek=$((dst_size / 1048576 - 1)) count=1 conv=fsync \
    2>/dev/null
  echo "source_before=$(md5_of /dev/$ns1 0 $src_size)"
  echo "range_before=$(md5_of /dev/$k4 0 $((src_size + 1048576)))"
  echo "last_before=$(md5_of /dev/$k4 $((dst_size - 1048576)) 1048576)"
} >/out/clone4k.txt 2>&1
run clone4k tool clone --source "$(named VMNVMEMNS1 $((16 * 1048576)))" \
  --destination "$(named VMNVME4K01)" --yes --json
{
  echo "range_after=$(md5_of /dev/$k4 0 $((src_size + 1048576)))"
  echo "last_after=$(md5_of /dev/$k4 $((dst_size - 1048576)) 1048576)"
  echo "source_after=$(md5_of /dev/$ns1 0 $src_size)"
  echo "copy_md5=$(md5_of /dev/$k4 0 $src_size)"
  # The first byte that differs, from copies of the two ranges (busybox's
  # cmp -n reports every differing byte instead of the first).
  dd if=/dev/$ns1 of=/tmp/src.bin bs=1048576 count=$((src_size / 1048576)) 2>/dev/null
  dd if=/dev/$k4 of=/tmp/dst.bin bs=1048576 count=$((src_size / 1048576)) 2>/dev/null
  cmp /tmp/src.bin /tmp/dst.bin >/out/clone4k_cmp.txt 2>&1
  echo "cmp_rc=$?"
  rm -f /tmp/src.bin /tmp/dst.bin
} >>/out/clone4k.txt 2>&1

# Last: the erase of every identified SATA drive. QEMU's disks refuse the ATA
# security commands, so each erase must be reported as failed.
for n in $indexes; do
  if grep -q '"attachment": "ata"' /out/info_$n.out; then
    run erase_$n tool erase $n --yes --json
  fi
done

log "done"
echo done >/out/guest.done
sync
umount /out
poweroff -f
