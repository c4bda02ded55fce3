#!/usr/bin/env bash
# Installs the Debian packages the build, the application and the tests need.
# Only what is missing is installed; apt-get runs through sudo when we are not root.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6svg6 qt6-svg-dev
  qt6-declarative-dev qt6-declarative-dev-tools
  qml6-module-qtquick qml6-module-qtquick-controls qml6-module-qtquick-templates
  qml6-module-qtquick-layouts qml6-module-qtquick-window qml6-module-qtqml-workerscript
  qml6-module-qtquick-shapes qml6-module-qttest qml6-module-qtqml
  qt6-positioning-dev qml6-module-qtpositioning
  qt6-l10n-tools qt6-tools-dev
  libicu-dev libsqlite3-dev zlib1g-dev
  fonts-dejavu-core dbus ca-certificates python3
)
if [[ "${1:-}" == "--with-screens" ]]; then
  PACKAGES+=(xvfb xauth imagemagick)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

SUDO=""
[[ $(id -u) -ne 0 ]] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
