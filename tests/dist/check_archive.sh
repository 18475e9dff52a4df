#!/usr/bin/env bash
# Tests a release archive as it ships: unpacks it into an empty folder,
# checks that it holds korvel/ with exactly each command's plug-in and help
# file, the examples' .m files, Contents.m, LICENSE and INSTALL, that in
# GNU Octave, with only the unpacked folder added to the path, help korvel
# lists every command and the examples' stroke font loads, holds the
# unpacked plug-ins to the import list, and runs the whole suite against
# them alone (the test-only
# plug-ins and the stand-in host come from the build):
#   tests/dist/check_archive.sh glnxa64|win64|win32 ARCHIVE BUILD NATIVE_BUILD
# glnxa64 runs natively and in the Debian 11 root (tools/bullseye-root.sh),
# win64 under wine; both print "dist ARCH: N passed, M failed". win32 stops
# after the checks and leaves the unpacked folder in BUILD/dist/korvel for
# the emulated machine (tools/windows32-vm.sh BUILD NATIVE_BUILD BUILD/dist/korvel).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
arch=${1:?usage: check_archive.sh ARCH ARCHIVE BUILD NATIVE_BUILD}
archive=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
build=$(cd "$3" && pwd)
native=$(cd "$4" && pwd)
case $arch in
  glnxa64) suffix=.mexa64 objdump=objdump ;;
  win64) suffix=.mexw64 objdump=x86_64-w64-mingw32-objdump ;;
  win32) suffix=.mexw32 objdump=i686-w64-mingw32-objdump ;;
  *) echo "check_archive: unknown platform $arch" >&2; exit 2 ;;
esac

unpacked=$build/dist
rm -rf "$unpacked"
mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$archive")

commands=$("$native/mex/korvel_run" --commands | cut -d ' ' -f 1)
expected_files=$( { for command in $commands; do echo "korvel/$command$suffix"; echo "korvel/$command.m"; done
                    (cd "$root/examples" && printf 'korvel/%s\n' *.m)
                    printf 'korvel/%s\n' Contents.m LICENSE INSTALL; } | sort)
found_files=$(cd "$unpacked" && find . -type f | sed 's|^\./||' | sort)
if [[ $found_files != "$expected_files" ]]; then
  echo "check_archive: $(basename "$archive") does not hold what it should:" >&2
  diff <(echo "$expected_files") <(echo "$found_files") >&2 || true
  echo "dist $arch: 0 passed, 1 failed"
  exit 1
fi

# From a folder that is not the archive's parent, where help would find
# korvel/ without the path.
listing=$(cd "$build" && octave-cli --no-gui --no-history --norc --quiet --eval \
  "addpath('$unpacked/korvel'); font = korvel_stroke_font(); assert(size(font.table, 1) == 4); help korvel" 2>&1) ||
  { echo "$listing" >&2; echo "dist $arch: 0 passed, 1 failed"; exit 1; }
for command in $commands; do
  if ! grep -q "^ *$command  *- " <<<"$listing"; then
    echo "check_archive: help korvel does not list $command:" >&2; echo "$listing" >&2
    echo "dist $arch: 0 passed, 1 failed"; exit 1
  fi
done

cmake -DOBJDUMP="$objdump" -DPLUGIN_DIR="$unpacked/korvel" -DSUFFIX="$suffix" \
  -DIMPORTS="$root/host/plugin_imports.txt" "-DCOMMANDS=$(echo $commands | tr ' ' ';')" \
  -P "$root/tests/check_plugin_imports.cmake" >"$build/dist-imports.log" 2>&1 ||
  { cat "$build/dist-imports.log" >&2; echo "dist $arch: 0 passed, 1 failed"; exit 1; }

expected=$("$native/mex/korvel_tests" --gtest_list_tests | grep -c '^  ')
log=$build/dist-suite.log
status=0
case $arch in
  glnxa64)
    "$build/mex/korvel_tests" --plugins="$unpacked/korvel" --test-plugins="$build/mex" \
      >"$log" 2>&1 || status=$?
    "$root/tools/suite-verdict.sh" "dist $arch" "$log" "$expected" "$status"
    "$root/tools/bullseye-root.sh" "$native" "$unpacked/korvel" ;;
  win64)
    (cd "$build/mex" && "$root/tools/wine-run.sh" wine64 ./korvel_tests.exe \
      --plugins=../dist/korvel --test-plugins=.) >"$log" 2>&1 || status=$?
    "$root/tools/suite-verdict.sh" "dist $arch" "$log" "$expected" "$status" ;;
  win32) echo "check_archive: $(basename "$archive") unpacked in $unpacked/korvel" ;;
esac
