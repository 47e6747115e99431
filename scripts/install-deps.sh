#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the window need.
# Idempotent: packages already present are skipped, and the package lists are
# refreshed only when something is missing. With --vm: also what the
# virtual-machine test (make test-vm) needs; with --fuzz: also clang and
# libclang-rt-14-dev (libFuzzer's runtime) for `make fuzz`; with --windows: also
# the mingw-w64 cross compilers (posix threads), windres, zip and wine (32- and
# 64-bit; wine32 needs the i386 architecture) for `make windows` and
# `make test-windows`.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev libxkbcommon-dev
  fonts-dejavu-core
  xvfb xdotool imagemagick
)
if [ "${1:-}" = "--vm" ]; then
  PACKAGES+=(qemu-system-x86 busybox-static smartmontools nvme-cli cpio python3 e2fsprogs)
fi
if [ "${1:-}" = "--fuzz" ]; then
  PACKAGES+=(clang libclang-rt-14-dev)
fi
if [ "${1:-}" = "--windows" ]; then
  PACKAGES+=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
             wine wine32:i386 wine64 zip)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then SUDO="sudo"; else
    echo "install-deps: missing ${missing[*]} and not root" >&2
    exit 1
  fi
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
