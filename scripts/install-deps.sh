#!/usr/bin/env bash
# Installs everything the build, the tests and the benchmarks need on Debian 12.
# Idempotent: packages already present are left alone.
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang-format
  clang libclang-rt-14-dev
  libjpeg62-turbo-dev libgdcm-dev libcharls-dev libopenjp2-7-dev zlib1g-dev libcairo2-dev
  qt6-base-dev nlohmann-json3-dev libssl-dev openssl
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  dcmtk libopenjp2-tools python3-pydicom python3-gdcm python3-numpy valgrind
  orthanc curl
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
