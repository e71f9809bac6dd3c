#!/usr/bin/env bash
# Installs what the benchmarks compare Velmo with and measure it on, beyond what
# scripts/setup.sh installs for building and testing: the peer programs (FeatherPad for
# text, AbiWord for RTF, LibreOffice to write the RTF sample as a word processor does),
# the Japanese manual pages whose prose the samples are made of, an X server to run the
# windows on, and the X client libraries the window benchmarks watch the windows with (their
# mapping, their drawing through the DAMAGE extension) and press keys with (XTEST).
# Works as root and through sudo; asks apt only for packages that are missing.
set -euo pipefail

packages=(
  featherpad abiword libreoffice-writer-nogui
  manpages-ja manpages-ja-dev
  xvfb xauth x11-utils libxcb1-dev libxcb-damage0-dev libxcb-xtest0-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
