#!/usr/bin/env bash
# Runs the 32-bit Windows build's C++ suite, and its leg of the determinism
# check, under 32-bit wine inside an emulated x86-64 machine:
#   tools/windows32-vm.sh WINDOWS32_BUILD NATIVE_BUILD [PLUGIN_DIR]
# With PLUGIN_DIR (an unpacked release archive's korvel/ folder) the
# commands' plug-ins come from there, the test-only ones from the build, and
# the verdict is printed once more as "dist win32: N passed, M failed".
# Our build machines refuse 32-bit x86 programs, and 32-bit wine does not run
# under qemu-i386, so a whole Debian machine is emulated (qemu-system-x86_64)
# and wine runs there. Everything comes from Debian's packages: the kernel,
# a debootstrap root with wine, busybox for the initramfs.
#
# The machine's disk image is built once and kept in
# KORVEL_VM_DIR (default WINDOWS32_BUILD-vm)/<hash of this recipe>/. Each run
# copies the plug-ins, the test programs and the determinism corpus onto a
# second, small disk; the guest writes its results there and powers off; they
# are read back with debugfs. The suite's verdict is printed as
#   windows32 suite: N passed, M failed
# and the determinism results land in WINDOWS32_BUILD/determinism/ for
# tests/determinism/run.sh. Exits non-zero on any failure, or when the guest
# has not powered off within KORVEL_VM_TIMEOUT seconds (default 900; a run
# takes under a minute, the boot that creates the wine prefix a few).
# KORVEL_VM_ACCEL=kvm uses KVM instead of emulating the processor (TCG); on
# our build machines nested KVM does not boot this guest (with -cpu max qemu
# aborts setting MSR 0x10a, with other CPU models the guest hangs after the
# BIOS), so TCG is the default.
# Needs root (debootstrap, chroot) the first time; tools/install-deps.sh vm.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/apt-mirror.sh"
windows_build=$(cd "${1:?usage: windows32-vm.sh WINDOWS32_BUILD NATIVE_BUILD}" && pwd)
native_build=$(cd "${2:?usage: windows32-vm.sh WINDOWS32_BUILD NATIVE_BUILD}" && pwd)
plugin_dir=${3:+$(cd "$3" && pwd)}
vm_dir=${KORVEL_VM_DIR:-$windows_build-vm}
timeout_seconds=${KORVEL_VM_TIMEOUT:-900}
accel=${KORVEL_VM_ACCEL:-tcg}

# The guest's Debian release and what it needs: 32-bit wine and its loader.
suite=bookworm
guest_packages="wine wine64 wine32:i386 libwine:i386"
# Kernel modules the initramfs loads to reach the root disk.
boot_modules="virtio_pci virtio_blk ext4"

log() { echo "windows32-vm: $*" >&2; }
# The end of the serial console, without SeaBIOS's terminal escapes.
console_tail() { tail -n 30 "$1" | sed 's/\x1b\[[0-9;?]*[A-Za-z]//g; s/\x1bc//g' >&2; }
now() { date +%s; }

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)

# ---------------------------------------------------------------------------
# The image: kernel, initramfs and root disk. Every function down to the
# next rule is part of the recipe whose hash names the cache folder.

# Debian's kernel package, downloaded in the root (make_root) and unpacked
# here, never installed. Debian builds virtio_blk, virtio_pci and ext4 as
# modules, and a kernel cannot mount its root disk without them: hence the
# initramfs below.
unpack_kernel() {
  local work=$1
  dpkg-deb -x "$work"/rootfs/tmp/linux-image-*.deb "$work/kernel"
  "${sudo[@]}" rm -f "$work"/rootfs/tmp/linux-image-*.deb
  kernel_version=$(ls "$work/kernel/lib/modules")
  # The package leaves modules.dep to its install script: make it here, so
  # that modprobe can list each module's dependencies.
  depmod -b "$work/kernel" "$kernel_version"
  cp "$work/kernel/boot/vmlinuz-$kernel_version" "$work/vmlinuz"
}

# A small initramfs: busybox, the modules that reach /dev/vda, and an init
# that loads them, mounts the root disk and hands over to its /sbin/korvel-init.
make_initramfs() {
  local work=$1 tree=$1/initramfs module
  mkdir -p "$tree/bin" "$tree/modules" "$tree/dev" "$tree/proc" "$tree/sys" "$tree/newroot"
  cp /bin/busybox "$tree/bin/busybox"
  # Dependencies first, in the order modprobe would load them.
  modprobe -d "$work/kernel" -S "$kernel_version" --show-depends -a $boot_modules |
    awk '$1 == "insmod" && !seen[$2]++ { print $2 }' >"$work/modules.list"
  : >"$tree/modules/order"
  while read -r module; do
    cp "$module" "$tree/modules/"
    basename "$module" >>"$tree/modules/order"
  done <"$work/modules.list"
  cat >"$tree/init" <<'EOF'
#!/bin/busybox sh
/bin/busybox --install -s /bin
export PATH=/bin
mount -t devtmpfs devtmpfs /dev
mount -t proc proc /proc
mount -t sysfs sysfs /sys
for module in $(cat /modules/order); do
  insmod "/modules/$module" || echo "initramfs: insmod $module failed"
done
# virtio_blk probes the disk in the background.
tries=0
while [ ! -b /dev/vda ] && [ $tries -lt 200 ]; do sleep 0.1; tries=$((tries + 1)); done
if ! mount -t ext4 /dev/vda /newroot; then
  echo "initramfs: cannot mount /dev/vda"
  poweroff -f
fi
mount --move /dev /newroot/dev
umount /proc /sys
exec switch_root /newroot /sbin/korvel-init
EOF
  chmod +x "$tree/init"
  (cd "$tree" && find . | cpio -o -H newc --quiet) | gzip -1 >"$work/initrd"
}

# Debian's minimal root with 32-bit wine, from the mirror this machine's apt
# uses, and our pid 1: it mounts the second disk, runs its run.sh, powers off.
make_root() {
  local work=$1 root=$1/rootfs mirror
  mirror=${KORVEL_DEBIAN_MIRROR:-$(debian_mirror)}
  log "debootstrap $suite from $mirror"
  # A mirror in the middle of a sync fails a download for a minute or two.
  local attempt
  for attempt in 1 2 3; do
    "${sudo[@]}" rm -rf "$root"
    "${sudo[@]}" debootstrap --variant=minbase --arch=amd64 "$suite" "$root" "$mirror" >"$work/debootstrap.log" 2>&1 && break
    [[ $attempt -lt 3 ]] || { tail -n 20 "$work/debootstrap.log" >&2; return 1; }
    log "debootstrap failed; trying again in $((attempt * 30)) s"
    sleep $((attempt * 30))
  done
  # No services start inside a chroot.
  printf '#!/bin/sh\nexit 101\n' | "${sudo[@]}" tee "$root/usr/sbin/policy-rc.d" >/dev/null
  "${sudo[@]}" chmod +x "$root/usr/sbin/policy-rc.d"
  "${sudo[@]}" mount -t proc proc "$root/proc"
  local status=0
  "${sudo[@]}" chroot "$root" /bin/sh -ec "
    export DEBIAN_FRONTEND=noninteractive
    dpkg --add-architecture i386
    for attempt in 1 2 3 4 5; do apt-get update -qq && break; sleep \$((attempt * 20)); done
    apt-get install -y -qq --no-install-recommends $guest_packages
    kernel=\$(apt-cache depends linux-image-amd64 | sed -n 's/^ *Depends: \\(linux-image-.*-amd64\\)\$/\\1/p')
    cd /tmp && apt-get download -qq \$kernel
    apt-get clean
    rm -rf /var/lib/apt/lists/*" >"$work/wine-install.log" 2>&1 || status=$?
  "${sudo[@]}" umount "$root/proc"
  [[ $status -eq 0 ]] || { tail -n 20 "$work/wine-install.log" >&2; return "$status"; }
  "${sudo[@]}" tee "$root/sbin/korvel-init" >/dev/null <<'EOF'
#!/bin/sh
# pid 1 of the emulated machine: runs the second disk's run.sh, then powers off.
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t tmpfs tmpfs /tmp
mount -t tmpfs tmpfs /run
mkdir -p /dev/shm /dev/pts /payload
mount -t tmpfs tmpfs /dev/shm
mount -t devpts devpts /dev/pts
status=1
if mount -t ext4 /dev/vdb /payload; then
  mkdir -p /payload/out
  (cd /payload && sh ./run.sh) >/payload/out/guest.log 2>&1
  status=$?
  echo "$status" >/payload/out/guest.rc
  # Whatever run.sh left running (a wine server) would keep the disks busy.
  kill -KILL -1 2>/dev/null
  sleep 1
  sync
  umount /payload
fi
echo "korvel-guest: finished, status $status"
# Clean for the next boot: the wine prefix is written into the image once.
mount -o remount,ro /
sync
echo o >/proc/sysrq-trigger
sleep 60
EOF
  "${sudo[@]}" chmod +x "$root/sbin/korvel-init"
}

# The root folder as an ext4 image (no loop mount needed), with room for the
# wine prefix that provision_prefix adds.
make_disk() {
  local work=$1 megabytes
  megabytes=$("${sudo[@]}" du -sm "$work/rootfs" | cut -f1)
  megabytes=$((megabytes + megabytes / 4 + 512))
  truncate -s "${megabytes}M" "$work/root.img"
  "${sudo[@]}" mke2fs -q -t ext4 -L korvel-root -d "$work/rootfs" "$work/root.img"
  "${sudo[@]}" rm -rf "$work/rootfs" "$work/kernel"
}

# Creating a wine prefix takes a minute or more under emulation: it is done
# once, in a boot that writes to the image; later runs boot the image as a
# snapshot and find the prefix made.
provision_prefix() {
  local work=$1
  mkdir -p "$work/provision"
  cat >"$work/provision/run.sh" <<'EOF'
set -eu
export WINEARCH=win32 WINEPREFIX=/var/lib/korvel-wine WINEDEBUG=err+all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
wine --version
wine wineboot --init
wineserver --wait
test -f /var/lib/korvel-wine/system.reg
EOF
  boot "$work" "$work/root.img" writable "$work/provision" "$work/provision-out"
  [[ $(cat "$work/provision-out/guest.rc" 2>/dev/null) == 0 ]] ||
    { log "creating the wine prefix failed:"; cat "$work/provision-out/guest.log" >&2 || true; return 1; }
}

# ---------------------------------------------------------------------------

recipe_hash() {
  { declare -f unpack_kernel make_initramfs make_root make_disk provision_prefix
    echo "$suite $guest_packages $boot_modules"; } | sha256sum | cut -c1-16
}

# boot IMAGE_DIR ROOT_IMAGE snapshot|writable PAYLOAD_DIR OUT_DIR
# Boots with PAYLOAD_DIR as the second disk, waits for the guest to power off
# (at most timeout_seconds), and copies the disk's out/ to OUT_DIR.
boot() {
  local image_dir=$1 root_image=$2 mode=$3 payload=$4 out=$5 megabytes
  rm -rf "$out" "$payload.img"
  mkdir -p "$out"
  megabytes=$(du -sm "$payload" | cut -f1)
  # Room for the results too: the corpus's outputs take about twice its inputs.
  truncate -s "$((megabytes * 4 + 64))M" "$payload.img"
  mke2fs -q -t ext4 -d "$payload" "$payload.img"
  local snapshot=on
  [[ $mode == writable ]] && snapshot=off
  local started status=0
  started=$(now)
  # -cpu max,-smap: with SMAP on, every wine process dies in a kernel oops at
  # an iretq under this QEMU's emulation. -no-reboot: the guest powering off
  # (or panicking, with panic=1) ends qemu. The serial console is the log.
  timeout -k 10 "$timeout_seconds" qemu-system-x86_64 -accel "$accel" \
    -machine q35 -cpu max,-smap -m 3G -smp 2 \
    -nographic -no-reboot -nic none -monitor none -serial stdio \
    -kernel "$image_dir/vmlinuz" -initrd "$image_dir/initrd" \
    -append "console=ttyS0 panic=1 quiet" \
    -drive "file=$root_image,format=raw,if=virtio,cache=unsafe,snapshot=$snapshot" \
    -drive "file=$payload.img,format=raw,if=virtio,cache=unsafe" \
    </dev/null >"$out.console" 2>&1 || status=$?
  boot_seconds=$(($(now) - started))
  if [[ $status -eq 124 || $status -eq 137 ]]; then
    log "the guest did not power off within $timeout_seconds s; its console:"
    console_tail "$out.console"
    return 1
  fi
  # Wine's output carries terminal escapes: results come back as files.
  debugfs -R "rdump /out $out" "$payload.img" >/dev/null 2>&1 || true
  if [[ -d $out/out ]]; then
    mv "$out/out/"* "$out/" 2>/dev/null || true
    rmdir "$out/out"
  fi
  rm -f "$payload.img"
  if [[ ! -f $out/guest.rc ]]; then
    log "the guest wrote no results (qemu status $status); its console:"
    console_tail "$out.console"
    return 1
  fi
}

# Builds the image unless this recipe's is there; sets image to its folder.
ensure_image() {
  local hash work started
  hash=$(recipe_hash)
  image=$vm_dir/$hash
  [[ -f $image/ready ]] && return
  mkdir -p "$vm_dir"
  exec 9>"$vm_dir/lock"
  flock 9
  if [[ ! -f $image/ready ]]; then
    started=$(now)
    log "building the machine image in $image (once; several minutes)"
    work=$vm_dir/$hash.partial
    # A build that was stopped may have left the root's /proc mounted.
    if grep -q " $work/rootfs/proc " /proc/mounts; then "${sudo[@]}" umount "$work/rootfs/proc"; fi
    "${sudo[@]}" rm -rf "$work"
    mkdir -p "$work"
    make_root "$work"
    unpack_kernel "$work"
    make_initramfs "$work"
    make_disk "$work"
    log "image built in $(($(now) - started)) s; creating the wine prefix"
    provision_prefix "$work"
    log "wine prefix created in $boot_seconds s (boot to power-off)"
    rm -rf "$work/provision" "$work/provision-out" "$work/provision.img"
    echo "$kernel_version" >"$work/kernel-version"
    # Older recipes' images are of no further use.
    find "$vm_dir" -mindepth 1 -maxdepth 1 -type d ! -name "$hash.partial" -exec "${sudo[@]}" rm -rf {} +
    mv "$work" "$image"
    touch "$image/ready"
    log "machine image ready in $(($(now) - started)) s"
  fi
  flock -u 9
}

# ---------------------------------------------------------------------------
# One run: the suite and the determinism corpus in the guest.

ensure_image
run_dir=$windows_build/vm-run
payload=$run_dir/payload
rm -rf "$run_dir"
mkdir -p "$payload/mex" "$payload/help" "$payload/plugins"
cp "$windows_build"/mex/*.mexw32 "$windows_build"/mex/*.dll "$windows_build/mex/korvel_tests.exe" \
  "$windows_build/mex/korvel_run.exe" "$payload/mex/"
cp "${plugin_dir:-$windows_build/mex}"/*.mexw32 "$payload/plugins/"
"$native_build/mex/korvel_corpus" "$payload/corpus.cases"
# The suite reads the help files (each lists its command's errors) under the
# source folder it was built from: the guest's throwaway root gets them at
# that same path.
sed -n 's/^korvel_SOURCE_DIR:STATIC=//p' "$windows_build/CMakeCache.txt" >"$payload/source-dir"
(cd "$(cat "$payload/source-dir")" &&
  "$native_build/mex/korvel_run" --commands | cut -d ' ' -f 3 | xargs cp --parents -t "$payload/help")
cat >"$payload/run.sh" <<'EOF'
# In the guest, from the second disk's root. Every program's output goes to a
# file: wine writes terminal escapes on the serial console.
export WINEARCH=win32 WINEPREFIX=/var/lib/korvel-wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
mark() { echo "$(cut -d ' ' -f 1 /proc/uptime) $1" >>/payload/out/times; }
mark start
source_dir=$(cat /payload/source-dir)
mkdir -p "$source_dir"
cp -r /payload/help/. "$source_dir/"
# One wine server for both programs, instead of one started and stopped for each.
wineserver -p
cd /payload/mex
wine ./korvel_tests.exe --plugins=../plugins --test-plugins=. >/payload/out/suite.log 2>&1
echo $? >/payload/out/suite.rc
mark suite
wine ./korvel_run.exe --plugins=../plugins ../corpus.cases ../out/windows32.results >/payload/out/corpus.log 2>&1
echo $? >/payload/out/corpus.rc
mark corpus
wineserver -k
EOF

log "booting ($accel, image $(basename "$image"), kernel $(cat "$image/kernel-version"))"
if ! boot "$image" "$image/root.img" snapshot "$payload" "$run_dir/out"; then
  echo "windows32 suite: 0 passed, 1 failed"
  [[ -z $plugin_dir ]] || echo "dist win32: 0 passed, 1 failed"
  exit 1
fi
out=$run_dir/out
log "guest ran $boot_seconds s from boot to power-off; in the guest: $(tr '\n' ' ' <"$out/times")"

# The suite's verdict, from GoogleTest's summary.
expected=$("$native_build/mex/korvel_tests" --gtest_list_tests | grep -c '^  ')
suite_ok=1
"$here/suite-verdict.sh" "windows32 suite" "$out/suite.log" "$expected" "$(cat "$out/suite.rc")" ||
  suite_ok=0
if [[ -n $plugin_dir ]]; then
  "$here/suite-verdict.sh" "dist win32" "$out/suite.log" "$expected" "$(cat "$out/suite.rc")" \
    2>/dev/null || true
fi

# The determinism leg: tests/determinism/run.sh compares these results with
# the other targets', after checking that they are of the same corpus.
corpus_ok=1
if [[ $(cat "$out/corpus.rc" 2>/dev/null) == 0 && -f $out/windows32.results ]]; then
  mkdir -p "$windows_build/determinism"
  cp "$payload/corpus.cases" "$windows_build/determinism/corpus.cases"
  cp "$out/windows32.results" "$windows_build/determinism/windows32.results"
else
  log "korvel_run failed in the guest:"
  cat "$out/corpus.log" >&2 || true
  corpus_ok=0
fi
[[ $suite_ok -eq 1 && $corpus_ok -eq 1 ]]
