#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, `make run` and `make package` need, when any
# is missing. (The icons are rendered with rsvg-convert; the package's library dependencies come
# from dpkg-shlibdeps; the tests validate the launcher entry and the metainfo.)
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-apps ccache
  fonts-dejavu-core
  librsvg2-bin dpkg-dev file desktop-file-utils appstream
)
# Given package names, installs those instead (make fuzz asks for clang and its runtime).
[[ $# -eq 0 ]] || packages=("$@")

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
