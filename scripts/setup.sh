#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run.
# Idempotent; runs as root or through sudo.
set -euo pipefail

PACKAGES=(
  # build
  build-essential cmake ninja-build pkg-config git
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  lhasa  # the skin files' LZHUF streams are checked against its -lh1- decoder
  # GUI
  qt6-base-dev qt6-base-dev-tools libgl-dev libxcb1-dev qt6-translations-l10n
  xvfb xauth fonts-dejavu-core fonts-wqy-microhei
  # the end-to-end tests: real X input, and a run under a window manager;
  # a compositing manager for the layered-window test
  xdotool openbox xcompmgr
  # libraries
  libssl-dev libxml2-dev libcurl4-openssl-dev libpng-dev libjpeg62-turbo-dev zlib1g-dev
  # data service (acl: a root run lets the cluster's owner into its folder)
  unixodbc-dev odbc-postgresql postgresql postgresql-client acl
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

# apt-get, waiting while another package manager holds its locks (an
# install in another window, the unattended upgrade of a fresh machine):
# up to SSQ_APT_LOCK_WAIT seconds (30 minutes), trying again every
# SSQ_APT_LOCK_POLL seconds. Any other failure ends the set-up at once.
LOCK_WAIT="${SSQ_APT_LOCK_WAIT:-1800}"
LOCK_POLL="${SSQ_APT_LOCK_POLL:-5}"
apt_get() {
  local waited=0 rc err
  err="$(mktemp)"
  while :; do
    rc=0
    $SUDO apt-get -o DPkg::Lock::Timeout="$LOCK_WAIT" "$@" 2>"$err" || rc=$?
    if [ $rc -ne 0 ] && [ "$waited" -lt "$LOCK_WAIT" ] \
      && grep -qiE 'could not get lock|unable to acquire|unable to lock|another process' "$err"; then
      [ "$waited" -eq 0 ] && echo "setup: the package manager is busy (another install or an automatic upgrade); waiting for it" >&2
      sleep "$LOCK_POLL"
      waited=$((waited + LOCK_POLL))
      continue
    fi
    cat "$err" >&2
    rm -f "$err"
    return $rc
  done
}

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt_get update -qq
apt_get install -y -qq --no-install-recommends "${missing[@]}"
