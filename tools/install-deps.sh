#!/usr/bin/env bash
# Installs, from Debian's packages, what the named parts of the work need and
# this machine lacks, e.g. `tools/install-deps.sh build octave`. Does nothing
# when everything is present.
set -euo pipefail

packages_for() {
  case "$1" in
    build) echo cmake make g++ libgtest-dev ;;
    octave) echo octave octave-dev ;;
    windows) echo mingw-w64 g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64 wine32:i386 ;;
    linux32) echo gcc-multilib g++-multilib qemu-user ;;
    demo) echo octave octave-dev gnuplot-nox ghostscript fonts-freefont-otf ;;
    bench) echo libbenchmark-dev hyperfine python3-skimage ;;
    fuzz) echo clang libclang-rt-14-dev valgrind ;;
    # The emulated machine that runs the 32-bit Windows suite (tools/windows32-vm.sh).
    vm) echo qemu-system-x86 debootstrap e2fsprogs busybox-static kmod cpio ;;
    *) echo "unknown part: $1" >&2; exit 2 ;;
  esac
}

wanted=()
for part in "$@"; do
  for package in $(packages_for "$part"); do wanted+=("$package"); done
done

missing=()
for package in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
echo "installing: ${missing[*]}"
# 32-bit packages (wine32:i386) need the i386 architecture enabled first.
if [[ " ${missing[*]}" == *":i386"* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo[@]}" dpkg --add-architecture i386
fi
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
