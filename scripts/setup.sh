# Sourced by scripts/run and scripts/test: installs what the build needs on Debian 12, once.
# shellcheck shell=bash

PIROLEX_PACKAGES=(
  g++ clang libclang-rt-14-dev cmake make pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  qt6-base-dev qt6-multimedia-dev libgl-dev libfontconfig-dev
  fonts-dejavu-core xvfb xauth sox
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good fonts-liberation2
  llvm-14  # llvm-symbolizer: readable stacks in the fuzz build's sanitizer reports
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev ffmpeg  # other formats; test files
  libfftw3-dev libeigen3-dev  # the automatic speed: full-precision spectra and the fit
  qt6-translations-l10n  # Qt's own dialogs (open, save, print, message boxes) in German
  locales  # de_DE.UTF-8 for the test of the number texts on a German desktop (pirolex_ensure_locales)
  pulseaudio pulseaudio-utils  # the pulse stage: live input through a private sound server
)

pirolex_missing_packages() {
  local p missing=()
  for p in "${PIROLEX_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  echo "${missing[@]}"
}

pirolex_ensure_packages() {
  local missing
  missing=$(pirolex_missing_packages)
  [ -n "$missing" ] || pirolex_ensure_locales
  [ -z "$missing" ] && return 0
  echo "Installing: $missing"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Need root or sudo to install: $missing" >&2; return 1; }
    sudo=(sudo)
  fi
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  # shellcheck disable=SC2086
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
  pirolex_ensure_locales
}

# A German desktop's locale, which the app tests set to check that every number text keeps its
# decimal point. Generated once; without root or sudo that test says it is skipped.
pirolex_ensure_locales() {
  locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8' && return 0
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Need root or sudo to generate de_DE.UTF-8" >&2; return 0; }
    sudo=(sudo)
  fi
  echo "Generating the locale de_DE.UTF-8"
  "${sudo[@]}" sed -i 's/^# *\(de_DE\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^de_DE\.UTF-8 UTF-8' /etc/locale.gen ||
    echo 'de_DE.UTF-8 UTF-8' | "${sudo[@]}" tee -a /etc/locale.gen >/dev/null
  "${sudo[@]}" locale-gen >/dev/null || echo "locale-gen failed: de_DE.UTF-8 is missing" >&2
  return 0
}

pirolex_jobs() { nproc 2>/dev/null || echo 2; }

# Release build into build/, the one both commands share.
pirolex_build() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build -j"$(pirolex_jobs)"
}
