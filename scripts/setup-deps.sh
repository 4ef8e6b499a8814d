#!/usr/bin/env bash
# Installs the Debian 12 packages Quarn needs to build, run and test. Idempotent: packages already
# present are skipped, and apt is not touched at all when nothing is missing. The check is one
# dpkg-query call, so that scripts/run.sh can afford it at every start.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-l10n-tools qt6-tools-dev-tools libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libgpgme-dev gnupg
  libgsf-1-dev libjpeg62-turbo-dev
  libasound2-dev libsndfile1-dev
  fonts-dejavu-core dbus
  zlib1g-dev libpcre2-dev
  xfonts-base bdf2psf
  python3-olefile python3-gi libglib2.0-bin
  direwolf
)

# "name:status" for every package dpkg knows, blank-separated; unknown names only complain on stderr.
installed=" $(dpkg-query -W -f='${Package}:${db:Status-Status} ' "${packages[@]}" 2>/dev/null || true) "
missing=()
for p in "${packages[@]}"; do
  if [[ "$installed" != *" $p:installed "* ]]; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup-deps: all packages present"
  exit 0
fi

echo "setup-deps: installing ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
