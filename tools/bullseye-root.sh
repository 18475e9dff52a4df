#!/usr/bin/env bash
# Loads and runs the Linux plug-ins built here where the C library is older:
# a Debian 11 (bullseye, glibc 2.31) root made with debootstrap, as MATLAB
# runs on older distributions. The stand-in host and korvel_run are built
# inside the root by its own compiler; every command then runs its calls of
# the determinism corpus through the plug-ins under test, in the root and
# here. A command passes when its calls all ran there and, where its results
# are the same bits on every target (commands.tsv), matched here byte for
# byte; a command through the C library's cos, sin or atan may differ in last
# bits (reported). Prints
#   bullseye: N passed, M failed
#   tools/bullseye-root.sh NATIVE_BUILD [PLUGIN_DIR]
# PLUGIN_DIR (default NATIVE_BUILD/mex) holds the .mexa64 under test.
# The root is built once and kept in KORVEL_BULLSEYE_DIR (default
# NATIVE_BUILD-bullseye)/<hash of this recipe>/. The mirror is the one this
# machine's apt uses, or KORVEL_DEBIAN_MIRROR (tools/apt-mirror.sh). Needs
# root (debootstrap, chroot); tools/install-deps.sh vm.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/apt-mirror.sh"
source_dir=$(cd "$here/.." && pwd)
native_build=$(cd "${1:?usage: bullseye-root.sh NATIVE_BUILD [PLUGIN_DIR]}" && pwd)
plugin_dir=$(cd "${2:-$native_build/mex}" && pwd)
cache_dir=${KORVEL_BULLSEYE_DIR:-$native_build-bullseye}
suite=bullseye
root_packages="g++ libc6-dev"

log() { echo "bullseye-root: $*" >&2; }
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)

# The root: Debian's minimal system and its C++ compiler, from the Debian
# archive this machine's apt uses.
make_root() {
  local root=$1 mirror
  mirror=$(debian_mirror) || return 1
  log "debootstrap $suite from $mirror (once; a few minutes)"
  # A mirror in the middle of a sync fails a download for a minute or two.
  local attempt
  for attempt in 1 2 3; do
    "${sudo[@]}" rm -rf "$root"
    "${sudo[@]}" debootstrap --variant=minbase --arch=amd64 --include="${root_packages// /,}" \
      "$suite" "$root" "$mirror" >"$root.log" 2>&1 && break
    [[ $attempt -lt 3 ]] || { tail -n 20 "$root.log" >&2; return 1; }
    log "debootstrap failed; trying again in $((attempt * 30)) s"
    sleep $((attempt * 30))
  done
  "${sudo[@]}" chroot "$root" apt-get clean
}

recipe_hash() {
  { declare -f make_root; echo "$suite $root_packages"; } | sha256sum | cut -c1-16
}

root=$cache_dir/$(recipe_hash)
mkdir -p "$cache_dir"
exec 9>"$cache_dir/lock"
flock 9
if [[ ! -f $root.ready ]]; then
  find "$cache_dir" -mindepth 1 -maxdepth 1 ! -name lock -exec "${sudo[@]}" rm -rf {} +
  make_root "$root"
  touch "$root.ready"
fi

# The stand-in host and korvel_run, built in the root from this tree.
work=$root/korvel
"${sudo[@]}" rm -rf "$work"
mkdir -p "$work/src/tests/support" "$work/src/core" "$work/bin" "$work/plugins" "$work/out"
cp -r "$source_dir/host" "$work/src/"
# The runner and the headers it includes, in the tree's own layout.
cp "$source_dir"/tests/support/{case_runner.cpp,case_format.h,cases.h,contract.h,screen_twins.h} \
  "$work/src/tests/support/"
cp "$source_dir/core/parallel_sizes.h" "$work/src/core/"
cp "$native_build/generated/korvel_commands.h" "$work/src/"
cp "$plugin_dir"/*.mexa64 "$work/plugins/"
"$native_build/mex/korvel_corpus" "$work/corpus.cases"
"${sudo[@]}" mount -t proc proc "$root/proc"
trap '"${sudo[@]}" umount "$root/proc"' EXIT
"${sudo[@]}" chroot "$root" /bin/sh -ec '
  cd /korvel/src
  flags="-std=c++17 -O2 -fPIC -Ihost/include -Ihost -I."
  g++ $flags -shared -fvisibility=hidden -Wl,-soname,libmx.so -o ../bin/libmx.so host/libmx.cpp
  g++ $flags -shared -fvisibility=hidden -Wl,-soname,libmex.so -o ../bin/libmex.so host/libmex.cpp \
    -L../bin -lmx
  g++ $flags -o ../bin/korvel_run tests/support/case_runner.cpp host/loader.cpp -L../bin -lmex -lmx -ldl \
    -Wl,-rpath,/korvel/bin' >"$work/out/build.log" 2>&1 ||
  { cat "$work/out/build.log" >&2; echo "bullseye: 0 passed, 1 failed"; exit 1; }
log "$("${sudo[@]}" chroot "$root" /usr/bin/ldd --version | head -n 1)"

passed=0
failed=0
while read -r command results _; do
  "$native_build/mex/korvel_run" --plugins="$plugin_dir" --only="$command" \
    "$work/corpus.cases" "$work/out/$command.here" >/dev/null
  if ! "${sudo[@]}" chroot "$root" /korvel/bin/korvel_run --plugins=/korvel/plugins \
      --only="$command" /korvel/corpus.cases "/korvel/out/$command.there" >"$work/out/$command.log" 2>&1; then
    log "$command: $(cat "$work/out/$command.log")"
    failed=$((failed + 1))
    continue
  fi
  if ! cmp -s "$work/out/$command.here" "$work/out/$command.there"; then
    case $results in
      exact)
        log "$command: results differ from this machine's"
        failed=$((failed + 1))
        continue ;;
      libm) log "$command: last bits differ from this machine's (through the C library)" ;;
    esac
  fi
  passed=$((passed + 1))
done < <("$native_build/mex/korvel_run" --commands)
echo "bullseye: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
