#!/usr/bin/env bash
# The set-up's apt steps against a fake apt-get that fails the ways a
# syncing mirror does: the decisions (retry, go on, set a suite aside, prefer
# the release, give up) without the network or root.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/lib/apt_steps.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# The fake: each call is logged (one line of arguments), and answers from
# the scenario's script: FAKE_UPDATE is a list of outcomes for successive
# updates (ok, sync, locked), FAKE_INSTALL one for successive installs (ok,
# held, held-unless-agreeing).
mkdir -p "$work/bin"
cat >"$work/bin/apt-get" <<'FAKE'
#!/usr/bin/env bash
echo "$*" >>"$FAKE_LOG"
next() {  # the next outcome of a list kept in a counter file
  local list=$1 counter="$FAKE_STATE.$2" n
  n=$(cat "$counter" 2>/dev/null || echo 0); echo $((n + 1)) >"$counter"
  set -- $list; shift $((n < $# ? n : $# - 1)); echo "$1"
}
case " $* " in
  *" update "*)
    case $(next "$FAKE_UPDATE" update) in
      ok) exit 0 ;;
      sync) echo "E: Failed to fetch http://mirror/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
            echo "E: Some index files failed to download. They have been ignored, or old ones used instead."; exit 100 ;;
      locked) echo "E: Could not get lock /var/lib/apt/lists/lock. It is held by process 4242"; exit 100 ;;
    esac ;;
  *" install "*)
    outcome=$(next "$FAKE_INSTALL" install)
    if [ "$outcome" = held-unless-agreeing ]; then
      # Agrees when the private list has the release without the security suite.
      parts=$(printf '%s\n' "$@" | sed -n 's/^Dir::Etc::SourceParts=//p')
      if [ -n "$parts" ] && grep -q 'Suites: bookworm bookworm-updates' "$parts"/*.sources &&
         ! grep -q 'bookworm-security' "$parts"/*.sources; then exit 0; fi
      case " $* " in *" -t bookworm "*) exit 0 ;; esac
      outcome=held
    fi
    [ "$outcome" = ok ] && exit 0
    echo "E: Unable to correct problems, you have held broken packages."; exit 100 ;;
esac
FAKE
chmod +x "$work/bin/apt-get"
export PATH="$work/bin:$PATH" APT_STEPS_PAUSE=0 APT_STEPS_TRIES=3

mkdir -p "$work/etc/sources.list.d"
cat >"$work/etc/sources.list.d/debian.sources" <<'SRC'
Types: deb
URIs: http://mirror/debian
Suites: bookworm bookworm-updates
Components: main

Types: deb
URIs: http://mirror/debian-security
Suites: bookworm-security
Components: main
SRC
echo 'deb [arch=amd64 signed-by=/k.gpg] http://other/repo bookworm-security main' >"$work/etc/sources.list"
echo 'VERSION_CODENAME=bookworm' >"$work/os-release"
export APT_STEPS_ETC="$work/etc" APT_STEPS_OS_RELEASE="$work/os-release"
machine_before=$(cd "$work/etc" && find . -type f -exec md5sum {} + | sort)

# Runs one scenario: update then install, in a subshell as the set-up does.
scenario() {
  local name=$1
  export FAKE_UPDATE=$2 FAKE_INSTALL=$3 FAKE_LOG="$work/$name.log" FAKE_STATE="$work/$name.state"
  export APT_STEPS_WORK="$work/$name.private"
  ( apt_update_retrying && apt_install_agreeing wine gcc ) >"$work/$name.out" 2>&1
}
calls() { grep -cw -- "$2" "$work/$1.log"; }

scenario brief-sync "sync sync ok" "ok" || fail "a mirror that syncs briefly stops the set-up"
[ "$(calls brief-sync update)" -eq 3 ] || fail "the update is not tried again until it succeeds"

scenario lasting-sync "sync" "held-unless-agreeing" || fail "a suite that stays out of sync stops the set-up: $(cat "$work/lasting-sync.out")"
[ "$(calls lasting-sync update)" -eq 3 ] || fail "the update is not tried three times"
grep -q 'bookworm-security' "$work/lasting-sync.out" || fail "the failing suite is not named"
[ "$(calls lasting-sync install)" -eq 2 ] || fail "the install is not tried once more"
grep -q 'other/repo' "$work/lasting-sync.private/sources.list" &&
  fail "a one-line entry of the suite set aside is kept"
grep -q 'without the suites whose lists failed' "$work/lasting-sync.out" || fail "the second install is not explained"

scenario no-suite-failed "ok" "held-unless-agreeing" || fail "the release's own versions are not tried"
grep -q -- '-t bookworm install' "$work/no-suite-failed.log" || fail "the codename of os-release is not preferred"

scenario never-agrees "sync" "held" && fail "an install that cannot succeed is reported as done"
grep -q 'sudo scripts/setup' "$work/never-agrees.out" || fail "the give-up message lacks the command to retry"
grep -q 'could not be fetched' "$work/never-agrees.out" || fail "the give-up message lacks the cause"

scenario locked "locked" "ok" && fail "an update that failed without naming an index is taken for success"

[ "$(cd "$work/etc" && find . -type f -exec md5sum {} + | sort)" = "$machine_before" ] ||
  fail "the machine's apt configuration was changed"

if [ $failures -ne 0 ]; then
  echo "apt steps: $failures failures" >&2
  exit 1
fi
echo "apt steps: every scenario decided as expected"
