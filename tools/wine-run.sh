#!/usr/bin/env bash
# Runs a Windows program under wine: tools/wine-run.sh wine64|wine PROGRAM [ARGS...]
# The wine prefix is the build's own (WINEPREFIX, else a folder "wineprefix"
# beside the program's folder), made on first use; wine's own messages and
# its mono/gecko installers are kept out.
set -euo pipefail
loader=$1
program=$2
shift 2

wine_dir=${KORVEL_WINE_DIR:-/usr/lib/wine}
if [[ ! -x "$wine_dir/$loader" ]]; then
  echo "wine-run: $wine_dir/$loader not found (tools/install-deps.sh windows)" >&2
  exit 127
fi
if [[ -z "${WINEPREFIX:-}" ]]; then
  WINEPREFIX="$(cd "$(dirname "$program")/.." && pwd)/wineprefix"
fi
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export DISPLAY=

# Two tests starting together in a new prefix must not both create it.
mkdir -p "$WINEPREFIX"
(
  flock 9
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    "$wine_dir/wine64" wineboot --init >/dev/null 2>&1 || true
    "$wine_dir/wineserver" --wait 2>/dev/null || true
  fi
) 9>"$WINEPREFIX.lock"

exec "$wine_dir/$loader" "$program" "$@"
