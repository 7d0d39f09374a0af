# Shared setup of the benchmark scripts (sourced by them, not run).

# bench_begin DEFAULT_BUILD: sets root (the source tree), build (the build
# folder: ORVANE_BENCH_BUILD, or DEFAULT_BUILD below the tree) and work (a
# temporary folder removed when the script exits).
bench_begin() {
  root="$(cd "$(dirname "${BASH_SOURCE[1]}")/.." && pwd)"
  build="${ORVANE_BENCH_BUILD:-$root/$1}"
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
}

# bench_install PACKAGE...: installs the peer tools and pictures a benchmark
# measures against (not project dependencies), unless ORVANE_BENCH_NO_SETUP is set.
bench_install() {
  [ -z "${ORVANE_BENCH_NO_SETUP:-}" ] || return 0
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "$@" >/dev/null
}
