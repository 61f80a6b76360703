# The two apt steps of the set-up, made to get past a package mirror that is
# briefly inconsistent (an index being synced, a security suite ahead of the
# main release). Sourced by scripts/setup and scripts/fetch-source-package;
# the machine's apt configuration is read, never changed: a suite set aside
# is left out of a private source list given to that one command.
#
# Settings, for the set-up's own test:
#   APT_STEPS_ETC          the apt configuration read (default /etc/apt)
#   APT_STEPS_OS_RELEASE   the release description (default /etc/os-release)
#   APT_STEPS_PAUSE        seconds between attempts of an update (default 15)
#   APT_STEPS_TRIES        attempts of an update (default 3)
#   APT_STEPS_WORK         where private source lists go (default a new
#                          temporary folder)

# The suites whose indexes the last update could not fetch, one per line.
apt_failed_suites=""

# "Failed to fetch URL ..." lines name an index by URL: .../dists/SUITE/...
apt_suites_of_failures() {
  sed -nE 's#.*Failed to fetch [^ ]*/dists/([^/ ]+)/.*#\1#p' | sort -u
}

# apt-get update, a few times with a pause while some index fails. Whatever
# still fails after the last attempt is named and left out; the set-up goes
# on with what was fetched. Fails only if the very last attempt printed no
# failing index yet did not succeed (no network, a broken configuration).
# Extra arguments go to apt-get (a private list, say).
apt_update_retrying() {
  local tries=${APT_STEPS_TRIES:-3} pause=${APT_STEPS_PAUSE:-15} attempt output status
  apt_failed_suites=""
  for ((attempt = 1; attempt <= tries; attempt++)); do
    status=0
    output=$(apt-get "$@" -qq update 2>&1) || status=$?
    apt_failed_suites=$(printf '%s\n' "$output" | apt_suites_of_failures)
    if [ $status -eq 0 ] && [ -z "$apt_failed_suites" ]; then
      return 0
    fi
    if [ $attempt -lt $tries ]; then
      echo "setup: the package lists could not all be fetched (attempt $attempt of $tries); trying again in ${pause} s" >&2
      sleep "$pause"
    fi
  done
  if [ -z "$apt_failed_suites" ]; then
    printf '%s\n' "$output" >&2
    echo "setup: updating the package lists failed (see above)" >&2
    return 1
  fi
  echo "setup: these suites' package lists could not be fetched (the mirror may be syncing):" \
       "$(echo $apt_failed_suites); going on with the lists fetched" >&2
  return 0
}

# The release's codename (bookworm, say), or nothing.
apt_release_codename() {
  local file=${APT_STEPS_OS_RELEASE:-/etc/os-release}
  [ -f "$file" ] || return 0
  sed -nE 's/^VERSION_CODENAME="?([^"]*)"?$/\1/p' "$file" | head -n 1
}

# Writes into DIR a copy of the machine's source lists without the suites
# given, and prints the apt-get options that use it instead of the machine's.
apt_sources_without() {
  local dir=$1 etc=${APT_STEPS_ETC:-/etc/apt} file suite
  shift
  mkdir -p "$dir/sources.list.d"
  : >"$dir/sources.list"
  # deb822 files: the suites left out of each Suites line; a stanza left with
  # none is dropped whole.
  for file in "$etc"/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    awk -v drop="$*" '
      BEGIN { n = split(drop, names, " "); for (i = 1; i <= n; i++) dropped[names[i]] = 1 }
      function flush() { if (stanza != "" && keep) printf "%s\n", stanza; stanza = ""; keep = 1 }
      BEGIN { keep = 1 }
      /^[[:space:]]*$/ { flush(); next }
      /^Suites:/ {
        line = "Suites:"; count = 0
        for (i = 2; i <= NF; i++) if (!($i in dropped)) { line = line " " $i; count++ }
        if (count == 0) keep = 0
        stanza = stanza line "\n"; next
      }
      { stanza = stanza $0 "\n" }
      END { flush() }' "$file" >"$dir/sources.list.d/$(basename "$file")"
  done
  # One-line lists: "deb [options] URI SUITE COMPONENTS...".
  for file in "$etc"/sources.list "$etc"/sources.list.d/*.list; do
    [ -f "$file" ] || continue
    awk -v drop="$*" '
      BEGIN { n = split(drop, names, " "); for (i = 1; i <= n; i++) dropped[names[i]] = 1 }
      /^[[:space:]]*deb/ {
        field = 3
        if ($2 ~ /^\[/) { k = 2; while (k < NF && $k !~ /\]$/) k++; field = k + 2 }
        if ($field in dropped) next
      }
      { print }' "$file" >>"$dir/sources.list"
  done
  printf '%s\n' -o "Dir::Etc::SourceList=$dir/sources.list" -o "Dir::Etc::SourceParts=$dir/sources.list.d"
}

# apt-get install of the packages given. If it fails, once more with the
# versions made to agree for this install only: without the suites whose
# lists the update could not fetch when there are such (a security suite
# ahead of the other architecture's lists), otherwise preferring the
# release itself. If that fails too, stops with the cause and the command to
# run again later.
apt_install_agreeing() {
  local status=0 output codename work how
  local -a agree=()
  output=$(apt-get install -y -qq --no-install-recommends "$@" 2>&1 >/dev/null) || status=$?
  if [ $status -eq 0 ]; then
    return 0
  fi
  printf '%s\n' "$output" >&2
  if [ -n "$apt_failed_suites" ]; then
    work=${APT_STEPS_WORK:-$(mktemp -d)}
    mapfile -t agree < <(apt_sources_without "$work" $apt_failed_suites)
    how="without the suites whose lists failed ($(echo $apt_failed_suites))"
  else
    codename=$(apt_release_codename)
    if [ -z "$codename" ]; then
      echo "setup: installing failed, and the release's codename is unknown (no VERSION_CODENAME in os-release)" >&2
      apt_install_give_up
      return 1
    fi
    agree=(-t "$codename")
    how="preferring the release's own versions ($codename)"
  fi
  echo "setup: installing failed; trying once more $how, for this install only" >&2
  status=0
  output=$(apt-get "${agree[@]}" install -y -qq --no-install-recommends "$@" 2>&1 >/dev/null) || status=$?
  if [ $status -eq 0 ]; then
    echo "setup: installed $how" >&2
    return 0
  fi
  printf '%s\n' "$output" >&2
  apt_install_give_up
  return 1
}

apt_install_give_up() {
  local cause="the packages' versions do not agree"
  if [ -n "$apt_failed_suites" ]; then
    cause="the package lists of $(echo $apt_failed_suites) could not be fetched (a mirror being synced, or no network)"
  fi
  echo "setup: could not install the packages: $cause. This usually passes within an hour;" \
       "then run again: sudo scripts/setup" >&2
}
