#!/usr/bin/env bash
# Runs the fuzz targets of a fuzz build one after another:
#   fuzz/run.sh BUILD_DIR SECONDS [COMMAND...]
# each for SECONDS, all commands when none is named. Corpora grow in
# BUILD_DIR/corpus/<command>, seeded from korvel_fuzz_seeds; a crash or a
# broken promise leaves its input in BUILD_DIR/findings/ and fails the run.
# Prints the executions of each command at the end.
set -uo pipefail
build=${1:?usage: fuzz/run.sh BUILD_DIR SECONDS [COMMAND...]}
seconds=${2:?usage: fuzz/run.sh BUILD_DIR SECONDS [COMMAND...]}
shift 2
bin=$build/mex
if [[ $# -gt 0 ]]; then
  commands=("$@")
else
  commands=()
  for target in "$bin"/korvel_fuzz_*; do
    name=${target##*/korvel_fuzz_}
    [[ $name == seeds ]] || commands+=("$name")
  done
fi
mkdir -p "$build/findings" "$build/logs"
"$bin/korvel_fuzz_seeds" "$build/seeds" || exit 1

summary=()
failed=0
for command in "${commands[@]}"; do
  corpus=$build/corpus/$command
  # A target without seeds of the case table (c_interface) starts from none.
  mkdir -p "$corpus" "$build/seeds/$command"
  log=$build/logs/$command.log
  # One process, no forks: the machine is shared. -timeout catches hangs;
  # -rss_limit_mb runaway allocation.
  "$bin/korvel_fuzz_$command" "$corpus" "$build/seeds/$command" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
    -print_final_stats=1 -artifact_prefix="$build/findings/$command-" >"$log" 2>&1
  status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if [[ $status -ne 0 ]]; then
    failed=1
    summary+=("$command ${runs:-?} FAILED (see $log)")
    grep -E 'broke a promise|ERROR: AddressSanitizer|runtime error|ERROR: libFuzzer' "$log" | head -5
  else
    summary+=("$command ${runs:-?} ok")
  fi
done

printf '\n%-18s %12s  %s\n' command executions result
for line in "${summary[@]}"; do
  read -r name runs result <<<"$line"
  printf '%-18s %12s  %s\n' "$name" "$runs" "$result"
done
printf 'seconds per command: %s\n' "$seconds"
exit $failed
