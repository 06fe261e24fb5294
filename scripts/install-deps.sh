#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing,
# and any further packages named as arguments:
#   scripts/install-deps.sh [PACKAGE...]
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev libpng-dev libopenexr-dev libtbb-dev libcli11-dev
  libcairo2-dev libwebp-dev libstb-dev
  libembree-dev libtinyobjloader-dev libtinygltf-dev
  python3
  clang libclang-rt-14-dev
  libcpp-httplib-dev
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}" >&2
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
