#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run. Idempotent: packages
# already present are left alone, and apt's lists are refreshed only when something is missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libfreetype-dev libfontconfig-dev fonts-liberation fonts-dejavu-core
  libpng-dev libjpeg62-turbo-dev libtiff-dev
  libsdl2-dev xvfb xauth xdotool x11-apps
  clang libclang-rt-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# fontconfig must see fonts installed in this run.
command -v fc-cache >/dev/null && fc-cache -s >/dev/null 2>&1 || true
echo "setup: all packages present"
