# Sourced by scripts/run and scripts/test: installs what the build needs on Debian 12, once.
# shellcheck shell=bash

PIROLEX_PACKAGES=(
  g++ clang libclang-rt-14-dev cmake make pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  qt6-base-dev qt6-multimedia-dev libgl-dev libfontconfig-dev
  fonts-dejavu-core xvfb xauth sox
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good fonts-liberation2
  llvm-14  # llvm-symbolizer: readable stacks in the fuzz build's sanitizer reports
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
}

pirolex_jobs() { nproc 2>/dev/null || echo 2; }

# Release build into build/, the one both commands share.
pirolex_build() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build -j"$(pirolex_jobs)"
}
