#!/usr/bin/env bash
# The verdict of a GoogleTest run from its log:
#   tools/suite-verdict.sh LABEL LOG EXPECTED [EXIT_STATUS]
# prints "LABEL: N passed, M failed" and exits 0 only when every one of the
# EXPECTED tests ran and passed (and EXIT_STATUS, if given, is 0). A runner
# that stopped before its summary counts as one failure; too few tests, or
# skipped ones, fail the verdict and are said on stderr.
set -euo pipefail
label=$1 suite_log=$2 expected=$3 status=${4:-0}

ran=$(sed -n 's/^\[==========\] \([0-9]*\) tests\? from .* ran\..*/\1/p' "$suite_log" | tail -n 1)
passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$suite_log" | tail -n 1)
failed=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\?, listed below.*/\1/p' "$suite_log" | tail -n 1)
skipped=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\?, listed below.*/\1/p' "$suite_log" | tail -n 1)
passed=${passed:-0} failed=${failed:-0} skipped=${skipped:-0}
problems=()
if [[ -z $ran ]]; then
  failed=$((failed + 1))
  problems+=("the runner stopped before its summary (exit status $status)")
elif [[ $ran -ne $expected ]]; then
  problems+=("$ran tests ran where the suite has $expected")
fi
[[ $skipped -eq 0 ]] || problems+=("$skipped skipped")
echo "$label: $passed passed, $failed failed"
if [[ $failed -gt 0 || ${#problems[@]} -gt 0 || $status != 0 ]]; then
  grep -E '^\[  FAILED  \]|Failure|error' "$suite_log" | head -n 40 >&2 || true
  [[ ${#problems[@]} -eq 0 ]] || echo "$label: ${problems[*]}" >&2
  echo "$label: whole log: $suite_log" >&2
  exit 1
fi
