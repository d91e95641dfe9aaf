#!/usr/bin/env bash
# Installs the Debian packages the build needs, asking apt only for what is missing.
# Usage: scripts/install-deps.sh [extra-package ...]
set -euo pipefail

# clang and its runtime libraries build the fuzzing targets (scripts/fuzz-smoke.sh);
# zlib lets the drawing tests read the PDFs the renderers write; cpp-httplib
# serves the browser build for "tvx view".
packages=(cmake make g++ libgtest-dev pkg-config libcairo2-dev zlib1g-dev libcpp-httplib-dev fonts-liberation clang libclang-rt-dev "$@")
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
