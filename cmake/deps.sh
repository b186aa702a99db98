#!/usr/bin/env bash
# Installs from Debian's packages whatever the build and the tests need and is missing,
# and generates the ja_JP.UTF-8 locale the programs run under. Does nothing when all is there.
# Where the kernel runs 32-bit x86 code, that includes what runs the i686 programs under Wine.
set -euo pipefail
cd "$(dirname "$0")"

packages=(
  cmake ninja-build make python3
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  clang clang-format clang-tidy libclang-rt-14-dev libgtest-dev
  wine64 fonts-wine xvfb xdotool x11-utils imagemagick fonts-noto-cjk locales
)
need_i386=0
# The check's program goes into the build tree; it stops the set-up when it cannot tell.
if ./kernel_runs_i386.sh ../build >/dev/null; then
  # wine32 runs the i686 programs beside wine64. Without the X extension libraries, which
  # --no-install-recommends leaves out, a 32-bit program's ClipCursor succeeds and does nothing.
  # The C library's 32-bit side builds the two-monitor test's stand-in Xinerama for it.
  packages+=(wine32:i386 libxi6:i386 libxrandr2:i386 libxinerama1:i386 libxcursor1:i386
    libxfixes3:i386 libxrender1:i386 libxcomposite1:i386 libc6-dev-i386)
  dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1
elif [ $? -ne 1 ]; then
  exit 1
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
need_locale=0
locale -a 2>/dev/null | grep -qix 'ja_JP.utf8' || need_locale=1

[ ${#missing[@]} -eq 0 ] && [ $need_locale -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing build and test dependencies. Install them as root with:" >&2
  [ $need_i386 -eq 1 ] && echo "  dpkg --add-architecture i386" >&2
  [ ${#missing[@]} -gt 0 ] &&
    echo "  apt-get update && apt-get install -y --no-install-recommends ${missing[*]}" >&2
  [ $need_locale -eq 1 ] &&
    echo "  sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen && locale-gen" >&2
  exit 1
fi

if [ $need_i386 -eq 1 ]; then
  echo "Adding the i386 architecture, for wine32"
  dpkg --add-architecture i386
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt-get update -q
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -qx 'ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen
fi
