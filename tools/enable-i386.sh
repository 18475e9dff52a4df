#!/usr/bin/env bash
# Makes this machine run 32-bit x86 Linux programs. Where the kernel cannot
# (some virtual machines refuse them with "Exec format error"), registers
# qemu-i386 for them with binfmt_misc, so that the 32-bit build's programs
# and tests start as if native. Needs root the first time; does nothing
# where 32-bit programs already run.
set -euo pipefail
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'int main(void) { return 0; }' >"$probe/probe.c"
gcc -m32 "$probe/probe.c" -o "$probe/probe"
"$probe/probe" 2>/dev/null && exit 0

qemu=$(command -v qemu-i386 || true)
[[ -n $qemu ]] || { echo "enable-i386: qemu-i386 not found (tools/install-deps.sh linux32)" >&2; exit 1; }
binfmt=/proc/sys/fs/binfmt_misc
[[ -e $binfmt/register ]] || mount -t binfmt_misc binfmt_misc "$binfmt"
if [[ ! -e $binfmt/korvel-i386 ]]; then
  # ELF, 32-bit, little-endian, executable or shared object, machine i386.
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  echo ":korvel-i386:M::$magic:$mask:$qemu:F" >"$binfmt/register"
fi
"$probe/probe" || { echo "enable-i386: 32-bit programs still do not start" >&2; exit 1; }
echo "32-bit x86 programs run here through $qemu"
