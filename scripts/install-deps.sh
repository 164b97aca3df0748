#!/usr/bin/env bash
# Installs what building and testing DRUVO needs on Debian 12 (as root; skipped when present),
# and Debian's 32-bit Wine (wine32) where the kernel runs 32-bit programs: the Windows tests
# run on the 32-bit programs with it. Where wine32 cannot be had, one line says why and the
# script goes on; scripts/test-all.sh then runs the Windows tests on the x86-64 build.
set -euo pipefail
packages=(cmake ninja-build g++ libgtest-dev googletest g++-mingw-w64-x86-64 g++-mingw-w64-i686-posix
          wine64 fonts-wine
          xvfb xauth xdotool imagemagick python3 python3-aiosmtpd)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

# An index that fails to download (a mirror in the middle of a sync) fails apt-get update as a
# whole, though every other index was read: what is needed is judged by the install after it.
update() {
  $sudo apt-get update -qq >/tmp/druvo-apt-update.log 2>&1 ||
    echo "apt-get update: $(grep -m1 '^E:' /tmp/druvo-apt-update.log || tail -n 1 /tmp/druvo-apt-update.log) (going on with the indexes it read)"
}

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
updated=
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  update
  updated=1
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Whether the kernel runs a 32-bit x86 program: the smallest static i386 ELF program, which
# exits with 42. A kernel without IA-32 emulation (or whose host turns it off) refuses it with
# "Exec format error".
kernel_runs_i386() {
  local probe rc=0
  probe=$(mktemp /tmp/druvo-i386.XXXXXX)
  printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\10\64\0\0\0\0\0\0\0\0\0\0\0\64\0\40\0\1\0\0\0\0\0\0\0' >"$probe"
  printf '\1\0\0\0\0\0\0\0\0\200\4\10\0\200\4\10\140\0\0\0\140\0\0\0\5\0\0\0\0\20\0\0' >>"$probe"
  printf '\273\52\0\0\0\270\1\0\0\0\315\200' >>"$probe"  # mov ebx,42; mov eax,1; int 0x80
  chmod +x "$probe"
  "$probe" 2>/dev/null || rc=$?
  rm -f "$probe"
  [ "$rc" -eq 42 ]
}

# The 32-bit Wine. Installing it adds the i386 architecture and upgrades amd64 libraries to
# the versions its i386 ones need; when the i386 indexes are not all there, apt would rather
# remove wine64. So it is installed only when a dry run removes nothing.
install_wine32() {
  if [ "$(dpkg --print-architecture)" != amd64 ]; then
    echo "32-bit Wine: not installed, this is no amd64 machine; the Windows tests run on the x86-64 build"
    return
  fi
  if ! kernel_runs_i386; then
    local state="not installed"
    installed wine32:i386 && state="installed but of no use"
    echo "32-bit Wine: $state, this kernel does not run 32-bit programs (Exec format error); the Windows tests run on the x86-64 build"
    return
  fi
  installed wine32:i386 && return
  local added= plan
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
    added=1
    updated=
  fi
  [ -n "$updated" ] || update
  plan=$($sudo apt-get install -s --no-install-recommends wine32:i386 2>&1) || true
  if grep -q '^Inst wine32:i386' <<<"$plan" && ! grep -q '^Remv ' <<<"$plan" &&
     $sudo apt-get install -y -qq --no-install-recommends wine32:i386 >/tmp/druvo-apt-wine32.log 2>&1; then
    echo "32-bit Wine: installed (wine32)"
    return
  fi
  local why
  if grep -q '^Remv ' <<<"$plan"; then
    why="apt would remove $(grep '^Remv ' <<<"$plan" | awk '{print $2}' | head -n 3 | paste -sd, -) to install it"
  elif grep -q '^E:' <<<"$plan"; then
    why=$(grep -m1 '^E:' <<<"$plan")
  else
    why=$(grep -m1 '^E:' /tmp/druvo-apt-wine32.log 2>/dev/null || echo "apt-get install failed")
  fi
  echo "32-bit Wine: NOT installed ($why); the Windows tests run on the x86-64 build"
  # Left as it was found: an i386 architecture without packages only makes every update slower.
  if [ -n "$added" ] && ! dpkg-query -W -f='${Architecture} ${db:Status-Status}\n' 2>/dev/null | grep -qx 'i386 installed'; then
    $sudo dpkg --remove-architecture i386 || true
  fi
}
install_wine32
