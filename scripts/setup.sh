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
  qt6-base-dev qt6-base-dev-tools libgl-dev
  xvfb xauth fonts-dejavu-core fonts-wqy-microhei
  # libraries
  libssl-dev libxml2-dev libcurl4-openssl-dev libpng-dev libjpeg62-turbo-dev zlib1g-dev
  # data service
  unixodbc-dev odbc-postgresql postgresql postgresql-client
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
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
