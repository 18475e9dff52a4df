#!/usr/bin/env bash
# Installs, from Debian's packages, what the named parts of the work need and
# this machine lacks, e.g. `tools/install-deps.sh build octave`. Does nothing
# when everything is present. On a machine that is not Debian (or a
# derivative with dpkg and apt-get) it installs nothing and says so in one
# line: the tools are then taken to be there.
set -euo pipefail

packages_for() {
  case "$1" in
    build) echo cmake make g++ libgtest-dev ;;
    octave) echo octave octave-dev ;;
    # 64-bit wine only: 32-bit programs do not start on these machines, so
    # 32-bit wine runs in the emulated machine (vm), from its own root. With
    # no i386 packages here, an i386 index out of step with the security
    # archive's (whose amd64 libraries newer i386 ones must match) cannot
    # hold the install back.
    windows) echo mingw-w64 g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64 ;;
    linux32) echo gcc-multilib g++-multilib qemu-user ;;
    demo) echo octave octave-dev gnuplot-nox ghostscript fonts-freefont-otf ;;
    bench) echo libbenchmark-dev hyperfine python3-skimage python3-opencv octave-image ;;
    fuzz) echo clang libclang-rt-14-dev valgrind ;;
    # The Python package: its build (setuptools' PEP 517 backend, NumPy's C
    # API), a virtual environment to install it into, its tests, and
    # python3-build for the sdist and the wheel; its benchmarks' peers.
    python) echo g++ python3-dev python3-numpy python3-setuptools python3-wheel python3-venv python3-pip python3-pytest python3-build ;;
    python-bench) echo python3-skimage python3-opencv ;;
    # The checks of the toolbox's own sine, cosine and arc tangent against
    # MPFR, and the tool that writes the table of 2/pi's bits.
    mpfr) echo libmpfr-dev libgmp-dev ;;
    # The emulated machine that runs the 32-bit Windows suite (tools/windows32-vm.sh).
    vm) echo qemu-system-x86 debootstrap e2fsprogs busybox-static kmod cpio ;;
    *) echo "unknown part: $1" >&2; exit 2 ;;
  esac
}

if [[ ! -f /etc/debian_version ]] || ! command -v dpkg-query apt-get >/dev/null; then
  echo "install-deps: not a Debian system; installing nothing, assuming the tools of '$*' are present" >&2
  exit 0
fi

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

# Another apt or dpkg run on the machine holds the package manager's locks
# for minutes: wait for it (up to LOCK_WAIT seconds) instead of failing.
# apt-get waits for dpkg's lock itself; apt-get update gives up at once on
# the lists lock, so it and dpkg are tried again while a lock is the reason.
LOCK_WAIT=${LOCK_WAIT:-600}
apt_get=(apt-get -o "DPkg::Lock::Timeout=$LOCK_WAIT")
log=$(mktemp)
trap 'rm -f "$log"' EXIT
while_locked() {
  local deadline=$((SECONDS + LOCK_WAIT)) status
  while true; do
    status=0
    "$@" 2>&1 | tee "$log" || status=$?
    [[ $status -eq 0 ]] && return 0
    if [[ $SECONDS -ge $deadline ]] ||
       ! grep -qiE 'could not (get|open) lock|unable to (acquire|lock)|locked by another' "$log"; then
      return $status
    fi
    echo "waiting for the package manager's lock..."
    sleep 5
  done
}

echo "installing: ${missing[*]}"
# A mirror in the middle of a sync (or one index of a foreign architecture
# out of step with its Release file) fails the update: the lists that did
# arrive usually hold everything, so the install goes on with them, and only
# an install that fails updates and tries again, a few times, with pauses.
tries=${APT_TRIES:-5}
update_lists() { while_locked "${sudo[@]}" "${apt_get[@]}" update -qq; }
update_lists || echo "apt-get update failed; installing from the package lists there are" >&2
for ((attempt = 1; ; attempt++)); do
  while_locked "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive "${apt_get[@]}" install -y -qq \
    --no-install-recommends "${missing[@]}" && break
  [[ $attempt -lt $tries ]] || exit 1
  echo "apt-get install failed; updating and trying again in $((attempt * 20)) s" >&2
  sleep $((attempt * 20))
  update_lists || true
done
