#!/usr/bin/env bash
# Installs, from Debian's packages, what the named parts of the work need and
# this machine lacks. Parts: build (the C++ build and tests), and later ones
# as they are added. Does nothing when everything is present.
set -euo pipefail

packages_for() {
  case "$1" in
    build) echo cmake make g++ libgtest-dev ;;
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
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
