#!/usr/bin/env bash
# The determinism check: one fixed corpus of calls, run on every target given,
# compared by hash (korvel_run --compare, tests/support/case_runner.cpp).
#   tests/determinism/run.sh NATIVE_BUILD [TARGET=BUILD_DIR ...] [-- --strict]
# TARGET is linux32, windows64 (their korvel_run, under wine for Windows),
# windows32 (the results that tools/windows32-vm.sh brought back from the
# emulated machine into BUILD_DIR/determinism/), octave (BUILD_DIR holding
# the Octave plug-ins) or python (BUILD_DIR a virtual environment with the
# Python package: its calls are held to the native results by its own test,
# at 1 and 3 threads, the layout mapped). The native build makes the corpus
# and is the reference.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
native=${1:?usage: run.sh NATIVE_BUILD [TARGET=BUILD_DIR ...] [-- --strict]}
shift
targets=()
while [[ $# -gt 0 && $1 != -- ]]; do targets+=("$1"); shift; done
[[ ${1:-} == -- ]] && shift
options=("$@")

out=$(cd "$native" && pwd)/determinism
mkdir -p "$out"
cases=$out/corpus.cases
"$native/mex/korvel_corpus" "$cases"
"$native/mex/korvel_run" --plugins="$native/mex" "$cases" "$out/linux64.results"
compared=("linux64=$out/linux64.results")

# The C interface (bindings/c) gives the plug-ins' bits, strictly (one C
# library): each call that has a C form made through it, the others taken
# from the native results.
"$native/mex/korvel_run" --c-interface "$cases" "$out/linux64.results" "$out/c-interface.results"
"$native/mex/korvel_run" --compare --strict "$cases" "linux64=$out/linux64.results" \
  "c-interface=$out/c-interface.results"

for target in "${targets[@]}"; do
  name=${target%%=*}
  dir=$(cd "${target#*=}" && pwd)
  results=$out/$name.results
  case $name in
    linux32) "$dir/mex/korvel_run" --plugins="$dir/mex" "$cases" "$results" ;;
    windows64)
      (cd "$dir/mex" && "$root/tools/wine-run.sh" wine64 ./korvel_run.exe --plugins=. "$cases" "$results") ;;
    windows32)
      if ! cmp -s "$dir/determinism/corpus.cases" "$cases"; then
        echo "run.sh: no windows32 results of this corpus in $dir/determinism (tools/windows32-vm.sh)" >&2
        exit 1
      fi
      cp "$dir/determinism/windows32.results" "$results" ;;
    octave)
      octave-cli --no-gui --no-history --norc --quiet \
        --eval "addpath('$dir', '$here', '$root/tests/octave/support'); run_corpus('$cases', '$results')" ;;
    python)
      KORVEL_CORPUS=$cases KORVEL_CORPUS_RESULTS=$out/linux64.results KORVEL_MEX=$(cd "$native" && pwd)/mex \
        "$dir/bin/python" -m pytest -q -p no:cacheprovider "$root/bindings/python/tests/test_determinism.py"
      continue ;;
    *) echo "run.sh: unknown target $name" >&2; exit 2 ;;
  esac
  compared+=("$name=$results")
done

"$native/mex/korvel_run" --compare "${options[@]}" "$cases" "${compared[@]}"

# The thread count changes no bit: the native build at 1, 2, 3 and 7 threads
# against its default, strictly (one C library); each run's screen twins
# are compared too.
threaded=()
for count in 1 2 3 7; do
  KORVEL_NUM_THREADS=$count "$native/mex/korvel_run" --plugins="$native/mex" "$cases" "$out/linux64-$count.results"
  threaded+=("${count}-thread=$out/linux64-$count.results")
done
"$native/mex/korvel_run" --compare --strict "$cases" "linux64=$out/linux64.results" "${threaded[@]}"
