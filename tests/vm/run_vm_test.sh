#!/usr/bin/env bash
# The Linux backend on a real kernel: boots Debian's 6.1 kernel in QEMU with a
# busybox initramfs holding the tool, smartctl and nvme-cli, attaches NVMe,
# SATA and USB disks, runs everything in the guest (tests/vm/guest_init.sh)
# and compares the tool's view of the disks with the reference tools'
# (tests/vm/compare.py). Prints a table; non-zero on any difference.
#
#   tests/vm/run_vm_test.sh [BUILD_DIR]
#
# BUILD_DIR (default build) must hold bin/ssdtools and bin/ssdtools_vm_probe.
# The kernel package is downloaded once into BUILD_DIR/vm-cache.
# Environment: SSDTOOLS_VM_KERNEL   kernel package version (e.g. 6.1.0-57-amd64;
#                                    default: the newest 6.1 one apt knows)
#              SSDTOOLS_VM_ACCEL    tcg (default) or kvm
#              SSDTOOLS_VM_TIMEOUT  seconds the guest may run (default 420)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../.." && pwd)
build=$(cd "${1:-build}" && pwd)
work=$build/vm
cache=$build/vm-cache
root=$work/root
out=$work/out
disks=$work/disks
timeout_s=${SSDTOOLS_VM_TIMEOUT:-420}

die() { echo "test-vm: $*" >&2; exit 2; }
for t in qemu-system-x86_64 busybox smartctl nvme cpio python3 apt-get dpkg-deb mkfs.ext4; do
  command -v "$t" >/dev/null || die "$t is missing (scripts/install-deps.sh --vm installs it)"
done
for b in ssdtools ssdtools_vm_probe; do
  [ -x "$build/bin/$b" ] || die "$build/bin/$b is missing: build the targets ssdtools and ssdtools_vm_probe"
done

# --- The kernel ---------------------------------------------------------------
kver=${SSDTOOLS_VM_KERNEL:-}
if [ -z "$kver" ]; then
  kver=$(apt-cache search --names-only '^linux-image-6\.1\.0-[0-9]+-amd64$' |
    awk '{print $1}' | sed 's/^linux-image-//' | sort -V | tail -1)
  [ -n "$kver" ] || die "no linux-image-6.1.0-*-amd64 package known to apt (run apt-get update)"
fi
mkdir -p "$cache"
deb=$(ls "$cache"/linux-image-"$kver"_*.deb 2>/dev/null | head -1 || true)
if [ -z "$deb" ]; then
  echo "test-vm: downloading linux-image-$kver"
  (cd "$cache" && apt-get download -q "linux-image-$kver" 2>&1 | grep -v '^W: Download is performed unsandboxed' || true)
  deb=$(ls "$cache"/linux-image-"$kver"_*.deb 2>/dev/null | head -1 || true)
  [ -n "$deb" ] || die "could not download linux-image-$kver"
fi
kdir=$cache/kernel-$kver
if [ ! -f "$kdir/.unpacked" ]; then
  rm -rf "$kdir"
  dpkg-deb -x "$deb" "$kdir"
  touch "$kdir/.unpacked"
fi
vmlinuz=$kdir/boot/vmlinuz-$kver
moddir=$kdir/lib/modules/$kver

# --- The disks ----------------------------------------------------------------
# One line per disk the guest must see: kind, serial, model, firmware, size.
# The expected file tells compare.py what each disk is.
rm -rf "$disks" "$out"
mkdir -p "$disks" "$out"
chmod 777 "$out"
qemu_disks=()
expected=()
add_image() { truncate -s "$2" "$disks/$1.img"; }
# NVMe drive with one namespace.
add_image nvme0 1G
qemu_disks+=(-drive "if=none,id=nvme0,file=$disks/nvme0.img,format=raw"
  -device "nvme,serial=VMNVME0001,drive=nvme0")
expected+=('{"serial":"VMNVME0001","kind":"nvme"}')
# Two controllers of one subsystem sharing one namespace: one drive.
add_image nvmesub 512M
qemu_disks+=(-device "nvme-subsys,id=subsys0,nqn=vmtest-subsys0"
  -device "nvme,id=nvmea,serial=VMNVMESUB1,subsys=subsys0"
  -device "nvme,id=nvmeb,serial=VMNVMESUB1,subsys=subsys0"
  -drive "if=none,id=nvmesub,file=$disks/nvmesub.img,format=raw"
  -device "nvme-ns,drive=nvmesub,nsid=1,shared=on,bus=nvmea")
expected+=('{"serial":"VMNVMESUB1","kind":"nvme"}')
# Two SATA disks on q35's AHCI controller; the second reports an SSD's rotation rate.
add_image sata0 2G
add_image sata1 1G
qemu_disks+=(-drive "if=none,id=sata0,file=$disks/sata0.img,format=raw"
  -device "ide-hd,drive=sata0,bus=ide.0,model=VKM SATA SSD VK4610XT 128GB,serial=VMSATA0001,ver=S0220A0"
  -drive "if=none,id=sata1,file=$disks/sata1.img,format=raw"
  -device "ide-hd,drive=sata1,bus=ide.1,model=VKM SATA SSD VK4620XT 256GB,serial=VMSATA0002,ver=S0312A0,rotation_rate=1")
expected+=('{"serial":"VMSATA0001","kind":"sata","identified":true}'
  '{"serial":"VMSATA0002","kind":"sata","identified":true}')
# A third SATA disk holding an ext4 file system in its first partition, built
# here (mkfs.ext4 -d) with one file of random bytes; the guest mounts it, so
# the destructive commands must refuse the disk as in use and leave the file
# as it was.
add_image sata2 128M
ext4_src=$work/ext4-files
rm -rf "$ext4_src" && mkdir -p "$ext4_src"
head -c 1048576 /dev/urandom >"$ext4_src/data.bin"
mkfs.ext4 -q -F -L vmdata -E offset=1048576 -d "$ext4_src" "$disks/sata2.img" 126M
python3 - "$disks/sata2.img" <<'PY'
import struct, sys
# An MBR with one Linux partition from sector 2048 to 1 MiB short of the end.
with open(sys.argv[1], "r+b") as f:
    entry = struct.pack("<B3sB3sII", 0, b"\xff\xff\xff", 0x83, b"\xff\xff\xff", 2048, 126 * 2048)
    f.seek(446)
    f.write(entry + b"\0" * 48 + b"\x55\xaa")
PY
ext4_md5=$(md5sum "$ext4_src/data.bin" | cut -d' ' -f1)
qemu_disks+=(-drive "if=none,id=sata2,file=$disks/sata2.img,format=raw"
  -device "ide-hd,drive=sata2,bus=ide.2,model=VKM SATA SSD VK4610XT 128GB,serial=VMSATA0003,ver=S0220A0")
expected+=('{"serial":"VMSATA0003","kind":"sata","identified":true,"mounted":true}')
# A controller with three namespaces of different sizes (so each is known by
# its capacity): the guest formats namespace 3 with nvme-cli, as the
# reference for what Format NVM does here, then aims the tool's erase (refused:
# not identified) and the probe's Format NVM at namespace 2.
for n in 1 2 3; do add_image nvmens$n $((n == 1 ? 16 : n == 2 ? 24 : 8))M; done
qemu_disks+=(-device "nvme,id=nvmem,serial=VMNVMEMNS1")
for n in 1 2 3; do
  qemu_disks+=(-drive "if=none,id=nvmens$n,file=$disks/nvmens$n.img,format=raw"
    -device "nvme-ns,drive=nvmens$n,nsid=$n,bus=nvmem")
done
expected+=('{"serial":"VMNVMEMNS1","kind":"nvme","nsid":1}'
  '{"serial":"VMNVMEMNS1","kind":"nvme","nsid":2}'
  '{"serial":"VMNVMEMNS1","kind":"nvme","nsid":3}')
# A namespace of 4096-byte logical blocks, the destination of a clone from
# namespace 1 above. Large enough that a capacity counted in 512-byte sectors
# still takes the source, so the copy itself is what is tried.
add_image nvme4k 256M
qemu_disks+=(-device "nvme,id=nvme4k,serial=VMNVME4K01"
  -drive "if=none,id=nvme4k,file=$disks/nvme4k.img,format=raw"
  -device "nvme-ns,drive=nvme4k,nsid=1,bus=nvme4k,logical_block_size=4096,physical_block_size=4096")
expected+=('{"serial":"VMNVME4K01","kind":"nvme","nsid":1}')
# USB: a mass-storage (bulk-only) disk behind a hub and a UAS disk on the
# xHCI controller, and one more mass-storage disk on an EHCI controller's root
# hub (it and the xHCI root hub are both device 1 of their bus, so their hub
# numbers tell whether buses are kept apart).
add_image usbbot 256M
add_image usbbot2 128M
add_image usbuas 384M
qemu_disks+=(-device qemu-xhci,id=xhci
  -device usb-hub,bus=xhci.0,port=1
  -drive "if=none,id=usbbot,file=$disks/usbbot.img,format=raw"
  -device "usb-storage,bus=xhci.0,port=1.2,drive=usbbot,serial=VMUSBBOT01"
  -drive "if=none,id=usbbot2,file=$disks/usbbot2.img,format=raw"
  -device usb-ehci,id=ehci
  -device "usb-storage,bus=ehci.0,port=1,drive=usbbot2,serial=VMUSBBOT02"
  -device usb-uas,id=uas,bus=xhci.0,port=2
  -drive "if=none,id=usbuas,file=$disks/usbuas.img,format=raw"
  -device "scsi-hd,bus=uas.0,scsi-id=0,lun=0,drive=usbuas,serial=VMUSBUAS01")
expected+=('{"serial":"VMUSBBOT01","kind":"usb"}' '{"serial":"VMUSBBOT02","kind":"usb"}'
  '{"serial":"VMUSBUAS01","kind":"usb"}')
# Block devices the guest waits for: sda..sdf, nvme0n1, the shared namespace,
# the three namespaces and the 4 KiB one.
disk_count=12
(IFS=,; echo "{\"disks\": [${expected[*]}], \"ext4FileMd5\": \"$ext4_md5\"}") >"$work/expected.json"

# --- The initramfs --------------------------------------------------------------
rm -rf "$root"
mkdir -p "$root"/{bin,sbin,usr/bin,usr/sbin,etc,proc,sys,dev,tmp,run,lib/modules,tool}
cp "$(command -v busybox)" "$root/bin/busybox"
for a in $(busybox --list); do
  [ -e "$root/bin/$a" ] || ln -s busybox "$root/bin/$a"
done
copy_with_libs() {
  cp "$1" "$root/usr/bin/"
  ldd "$1" | awk '/=> \//{print $3} /^\t\/lib/{print $1}' | while read -r lib; do
    mkdir -p "$root$(dirname "$lib")"
    cp -L "$lib" "$root$lib"
  done
}
copy_with_libs "$build/bin/ssdtools"
copy_with_libs "$build/bin/ssdtools_vm_probe"
copy_with_libs "$(command -v smartctl)"
copy_with_libs "$(command -v nvme)"
mods=$(python3 "$here/module_order.py" "$moddir" \
  nvme ahci sd_mod sg xhci_pci ehci_pci usb_storage uas 9p 9pnet_virtio virtio_pci \
  crc32c_generic ext4)
: >"$root/etc/modules.list"
for m in $mods; do
  mkdir -p "$root/lib/modules/$(dirname "$m")"
  cp "$moddir/$m" "$root/lib/modules/$m"
  echo "$m" >>"$root/etc/modules.list"
done
cp "$here/tool/Setting.ini" "$root/tool/"
for p in VK4610XT VK4620XT VK4630; do cp -r "$src/demo/$p" "$root/tool/"; done
cp "$here/guest_init.sh" "$root/init"
chmod +x "$root/init"
echo "$disk_count" >"$root/etc/vm-disk-count"
(cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) >"$work/initramfs.gz"

# --- Boot ---------------------------------------------------------------------
accel=(-accel tcg)
if [ "${SSDTOOLS_VM_ACCEL:-tcg}" = kvm ]; then accel=(-accel kvm -cpu host); fi
echo "test-vm: booting $kver (${accel[1]}), disks: nvme, nvme subsystem, nvme with 3 namespaces, nvme 4K, 3 SATA (one mounted), 2 USB BOT, USB UAS"
start=$(date +%s)
set +e
timeout "$timeout_s" qemu-system-x86_64 "${accel[@]}" -machine q35 -m 1024 -smp 2 \
  -nographic -no-reboot -serial "file:$out/console.log" -monitor none \
  -kernel "$vmlinuz" -initrd "$work/initramfs.gz" \
  -nic none -append "console=ttyS0 panic=-1 quiet loglevel=3" \
  -virtfs "local,path=$out,mount_tag=out,security_model=none,id=out" \
  "${qemu_disks[@]}" </dev/null >"$work/qemu.log" 2>&1
qrc=$?
set -e
echo "test-vm: guest ran $(($(date +%s) - start)) s (qemu exit $qrc)"
if [ ! -f "$out/guest.done" ]; then
  echo "test-vm: the guest did not finish; console:" >&2
  tail -40 "$out/console.log" >&2 || true
  cat "$work/qemu.log" >&2 || true
  exit 1
fi
python3 "$here/compare.py" "$out" "$work/expected.json"
