# The start that scripts/demo, scripts/package, scripts/soak and scripts/test
# share, sourced by each: they run from the repository's root (`root`), and
# set_up_and_build sets the machine up when run as root, then builds
# everything they use.
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

set_up_and_build() {
  if [ "$(id -u)" -eq 0 ]; then
    scripts/setup
  fi
  scripts/build
}
