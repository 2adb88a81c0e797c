#!/usr/bin/env bash
# Installs the Debian 12 packages Pellumo needs to build, run and test, and
# any packages named as arguments, skipping those already present. Needs root
# (uses sudo when not root).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev ffmpeg
  libjpeg62-turbo-dev libpng-dev zlib1g-dev
  fonts-noto-cjk
  fp-utils libchm-dev desktop-file-utils
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
