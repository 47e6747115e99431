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
