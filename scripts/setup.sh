#!/usr/bin/env bash
# Installs every Debian package that building, testing, benchmarking and fuzzing Keldwick needs;
# "scripts/setup.sh package" adds what building and checking the Debian package needs.
# Safe to run again: it installs only what is missing and does nothing when all is there.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools libgl-dev libxcb1-dev qtkeychain-qt6-dev
  libexpat1-dev libcli11-dev libssl-dev openssl
  nginx tinyproxy
  gnome-keyring dbus libsecret-tools
  libgtest-dev libgmock-dev libbenchmark-dev
  libpango1.0-dev
  clang libclang-rt-14-dev clang-format
  fonts-dejavu-core fonts-liberation fontconfig libfontconfig-dev
  python3 python3-zeep python3-waitress
  xvfb xauth
  weston qt6-wayland xdotool
  desktop-file-utils appstream
)
if [ "${1:-}" = "package" ]; then
  packages+=(dpkg-dev file lintian)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
# Another apt-get may hold the package lock for a while; wait for it, but not for ever.
apt=("${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=300)
"${apt[@]}" update -qq
"${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}"
