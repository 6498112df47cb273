#!/usr/bin/env bash
# Installs the Debian packages Kestrix needs to build, run and test.
# Idempotent: asks apt only for what dpkg does not already have.
set -euo pipefail

PACKAGES=(
  g++ cmake make pkg-config
  qtbase5-dev libqt5serialport5-dev libqt5svg5
  libpugixml-dev libqcustomplot-dev
  libmodbus-dev socat
  clang libclang-rt-14-dev
  fonts-wqy-microhei
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
