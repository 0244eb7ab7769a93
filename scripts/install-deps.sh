#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run.
# Non-interactive; safe to run again (installs only what is missing).
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  libpoco-dev libtinyxml2-dev librtmidi-dev
  libcairo2-dev libglib2.0-dev libpixman-1-dev libfontconfig-dev libfreetype-dev libpng-dev zlib1g-dev
  libx11-dev libxtst-dev libxkbcommon-dev libx11-data   # the text field: keysyms to characters, dead keys composed
                                                         # by the locale's table (/usr/share/X11/locale)
  fonts-dejavu-core
  xvfb xauth xdotool x11-apps
  zenity xdg-utils   # the editor's dialogs and its help items
  jackd2 libjack-jackd2-dev
  libboost-dev   # lock-free queue of the audio thread's sends
  gdb elfutils   # a hanging test prints every thread's stack (gdb; eu-stack where gdb gives up)
  amsynth
  ardour   # a real host for the test of the state kept in a session (about 210 MB)
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
# jackd2 asks whether to enable realtime scheduling; answer once, quietly.
echo "jackd2 jackd/tweak_rt_limits boolean false" | $SUDO debconf-set-selections
echo "Installing: ${missing[*]}"
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
