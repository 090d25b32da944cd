#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the fuzzers need.
# Idempotent: packages already present are skipped without touching apt.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  clang lld libclang-rt-dev clang-format
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libcli11-dev nlohmann-json3-dev libbz2-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev libxcb1-dev
  libfluidsynth-dev fluidsynth fluid-soundfont-gm
  librtmidi-dev libasound2-dev
  fonts-ipafont-gothic
  python3-mido
  xvfb xauth dbus dbus-x11 at-spi2-core python3-pyatspi
  qt6-translations-l10n x11-apps x11-utils netpbm
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
echo "Installing: ${missing[*]}" >&2
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
