# Sourced by the tools that make a Debian root with debootstrap. The tree
# names no mirror: the address is the one this machine's apt already uses,
# the suite stays the caller's.

# debian_mirror [SOURCE_FILE...]
# Prints KORVEL_DEBIAN_MIRROR when set; otherwise the first URI of the Debian
# archive in apt's sources (default /etc/apt/sources.list.d/*.sources in
# deb822 form, then the one-line /etc/apt/sources.list and
# sources.list.d/*.list): a "deb" entry for a release itself, with main, not
# one of its -security, -updates or -backports suites, which other archives
# serve. Fails with a message when there is none.
debian_mirror() {
  if [[ -n ${KORVEL_DEBIAN_MIRROR:-} ]]; then
    echo "$KORVEL_DEBIAN_MIRROR"
    return
  fi
  local patterns=("$@") files=() file uri=
  [[ $# -gt 0 ]] ||
    patterns=(/etc/apt/sources.list.d/*.sources /etc/apt/sources.list /etc/apt/sources.list.d/*.list)
  for file in "${patterns[@]}"; do
    if [[ -f $file ]]; then files+=("$file"); fi
  done
  [[ ${#files[@]} -eq 0 ]] || uri=$(awk '
    # Whether one of the suites is a release itself: not a -security,
    # -updates or -backports one, nor a flat ./ repository.
    function release(suites,   n, s, k) {
      n = split(suites, s)
      for (k = 1; k <= n; k++) if (s[k] !~ /[-\/]/) return 1
      return 0
    }
    function has(list, word,   l) {
      l = " " list " "
      gsub(/[ \t]+/, " ", l)
      return index(l, " " word " ") > 0
    }
    function pick(uri) { print uri; found = 1; exit }
    function stanza_end(   u) {
      if (has(f["types"], "deb") && tolower(f["enabled"]) !~ /^[ \t]*no/ &&
          release(f["suites"]) && has(f["components"], "main")) {
        split(f["uris"], u)
        pick(u[1])
      }
      delete f
    }
    FNR == 1 && NR > 1 && deb822 { stanza_end() }
    FNR == 1 { deb822 = FILENAME ~ /\.sources$/; key = "" }
    /^[ \t]*#/ { next }
    deb822 && /^[ \t]*$/ { stanza_end(); next }
    deb822 && /^[ \t]/ { if (key != "") f[key] = f[key] " " $0; next }
    deb822 {
      key = tolower(substr($0, 1, index($0, ":") - 1))
      f[key] = substr($0, index($0, ":") + 1)
      next
    }
    # deb [options] uri suite component...
    $1 == "deb" {
      k = 2
      if ($2 ~ /^\[/) { while (k < NF && $k !~ /\]$/) k++; k++ }
      components = ""
      for (c = k + 2; c <= NF; c++) components = components " " $c
      if (release($(k + 1)) && has(components, "main")) pick($k)
    }
    END { if (!found && deb822) stanza_end() }
  ' "${files[@]}")
  if [[ -z $uri ]]; then
    echo "no Debian archive in apt's sources (${patterns[*]}); set KORVEL_DEBIAN_MIRROR to a Debian mirror" >&2
    return 1
  fi
  echo "$uri"
}
