#!/usr/bin/env bash
# Installs every Debian package the suite needs to build, test and run.
# Safe to run more than once. Needs root (or sudo).
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config ccache clang-format
  # the fuzz build (clang with the libFuzzer runtime) and symbolized sanitizer reports
  clang libclang-rt-14-dev llvm
  # card access: PC/SC library, daemon and the virtual reader driver
  libpcsclite-dev pcscd pcsc-tools vsmartcard-vpcd
  # programs
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev libsimpleini-dev nlohmann-json3-dev libudev-dev
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev dosfstools mtools
  xvfb xauth python3 procps
  # fonts so that every interface language renders in screenshots
  fonts-dejavu-core fonts-noto-cjk
  # the Windows DLLs: MinGW-w64 cross compiler, and Wine (32-bit) to test them
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686 wine wine32:i386 libpcsclite1:i386
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
need_update=0

# The 32-bit Wine and pcsc-lite come from the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ] || [ "$need_update" -eq 1 ]; then
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update
  if [ ${#missing[@]} -gt 0 ]; then
    "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
  fi
fi
echo "setup: all packages present"
