#!/usr/bin/env bash
# scripts/fetch-source-package against a fake apt-get whose mirror has a
# package's upstream tarball and .dsc but not its Debian part: the tarball is
# unpacked alone when the .dsc vouches for it, and refused when it does not.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

mkdir -p "$work/bin" "$work/upstream/demo-1.0/src"
echo 'print("demo")' >"$work/upstream/demo-1.0/src/demo.lua"
tar -czf "$work/demo_1.0.orig.tar.gz" -C "$work/upstream" demo-1.0
cat >"$work/bin/apt-get" <<'FAKE'
#!/usr/bin/env bash
case " $* " in
  *" source "*)
    cp "$FAKE_TARBALL" .
    printf 'Source: demo\nChecksums-Sha256:\n %s 1 demo_1.0.orig.tar.gz\n %s 1 demo_1.0-1.debian.tar.xz\n' \
      "$FAKE_SUM" 0000 >demo_1.0-1.dsc
    echo "E: Failed to fetch http://mirror/debian/pool/main/d/demo/demo_1.0-1.debian.tar.xz  404  Not Found"
    exit 100 ;;
esac
exit 0
FAKE
chmod +x "$work/bin/apt-get"
export PATH="$work/bin:$PATH" FAKE_TARBALL="$work/demo_1.0.orig.tar.gz" APT_STEPS_PAUSE=0

export FAKE_SUM=$(sha256sum "$FAKE_TARBALL" | cut -d ' ' -f 1)
"$here/../../scripts/fetch-source-package" demo "$work/vouched" >"$work/vouched.out" 2>&1 ||
  fail "a tarball the .dsc vouches for is not used: $(cat "$work/vouched.out")"
[ -f "$work/vouched/demo-1.0/src/demo.lua" ] || fail "the upstream tarball is not unpacked"

export FAKE_SUM=$(echo other | sha256sum | cut -d ' ' -f 1)
"$here/../../scripts/fetch-source-package" demo "$work/unvouched" >"$work/unvouched.out" 2>&1 &&
  fail "a tarball whose checksum differs from the .dsc's is taken"
[ -e "$work/unvouched/demo-1.0" ] && fail "a tarball whose checksum differs is unpacked"

if [ $failures -ne 0 ]; then
  echo "fetch source package: $failures failures" >&2
  exit 1
fi
echo "fetch source package: the upstream tarball is unpacked alone only as the .dsc vouches"
