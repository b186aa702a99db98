#!/usr/bin/env bash
# Checks each answer of cmake/kernel_runs_i386.sh against what the test sets up or finds out by
# its own means. Usage: kernel_runs_i386_test.sh WORK_FOLDER
set -u
check=$(cd "$(dirname "$0")/../../cmake" && pwd)/kernel_runs_i386.sh
work=$1 failed=0
rm -rf "$work" && mkdir -p "$work/tmp" "$work/binfmt" "$work/empty" && touch "$work/file" || exit 1
echo enabled | tee "$work/binfmt/status" >"$work/empty/status"
export I386_CHECK_BINFMT=$work/binfmt  # no entry until one is written, whatever the system has
# Passes when the check, given the folder $3, ends with status $1 and output $2 (a pattern).
expect() {
  output=$(TMPDIR="$work/tmp" timeout 20 "$check" "$3" 2>&1)
  status=$?
  [[ $status == "$1" && $output == $2 ]] ||
    { echo "FAILED: $3: expected status $1 and '$2', got $status and '$output'" && failed=1; }
}

# The kernel's answer, from a 32-bit program of the system's assembler and linker rather than the
# check's own bytes: it ends with 42, or else the kernel refuses its format.
printf '%s\n' '.globl _start' '_start: mov $1, %eax' 'mov $42, %ebx' 'int $0x80' |
  as --32 -o "$work/own.o" - && ld -m elf_i386 -o "$work/own" "$work/own.o" || exit 1
no='it has no IA-32 emulation (not built in, or switched off at boot)'
"$work/own" 2>/dev/null
[ $? -eq 42 ] && kernel=(0 '') || kernel=(1 "$no")
expect "${kernel[@]}" "$work/build"
[ -z "$(find "$work/tmp" "$work/build" -mindepth 1)" ] || { echo "FAILED: files left" && failed=1; }

# An entry for i386 programs, as Debian's qemu-user-binfmt writes it: when enabled, a no.
magic=7f454c4601010100000000000000000002000300 mask=fffffffffffefe00fffffffffffffffffeffffff
printf '%s\n' disabled 'interpreter /usr/bin/qemu-i386' 'offset 0' "magic $magic" "mask $mask" \
  >"$work/binfmt/qemu-i386"
expect "${kernel[@]}" "$work/build"
sed -i 1s/disabled/enabled/ "$work/binfmt/qemu-i386"
expect 1 'the binfmt_misc entry qemu-i386 hands it to the emulator /usr/bin/qemu-i386' "$work/build"

# A program that cannot be written, or run for any reason but its format, stops the set-up; so
# do entries that cannot be read.
expect 2 'Cannot tell whether * cannot make the folder */file/build' "$work/file/build"
I386_CHECK_BINFMT=$work/tmp expect 2 "Cannot tell * cannot read $work/tmp/status" "$work/build"

# In a user and mount namespace of its own, which since Linux 6.7 has a binfmt_misc of its own
# that its programs go through: a folder mounted noexec; binfmt_misc mounted at a place of the
# test's, a space in its name; an entry there that hands the program to one that never ends; no
# mount table at all.
isolated() {
  failed=0 I386_CHECK_BINFMT=$work/empty
  mount -t tmpfs -o noexec none "$work/tmp" &&
    expect 2 'Cannot tell * did not run: Permission denied, exit status 126' "$work/tmp"
  mkdir "$work/mounted here" && if mount -t binfmt_misc none "$work/mounted here"; then
    printf '#!/bin/sh\nexec sleep infinity\n' >"$work/stuck" && chmod +x "$work/stuck"
    printf ':i386:M::%s:%s:%s:\n' "$(sed 's/../\\x&/g' <<<"$magic")" \
      "$(sed 's/../\\x&/g' <<<"$mask")" "$work/stuck" >"$work/mounted here/register"
    I386_CHECK_BINFMT='' expect 1 '* entry i386 hands it to the emulator */stuck' "$work/build"
    expect 2 'Cannot tell * did not end within 5 s' "$work/build"
  else
    echo "The binfmt_misc cases are left out: this kernel gives a user namespace no binfmt_misc."
  fi
  mount -t tmpfs none /proc &&
    I386_CHECK_BINFMT='' expect 2 'Cannot tell * cannot read the mount table *' "$work/build"
  exit $failed
}
if unshare -rm true 2>/dev/null; then
  export -f expect isolated && export check work magic mask
  unshare -rm bash -c isolated || failed=1
else
  echo "The namespace cases are left out: this system makes no mount namespace for a user."
fi
exit $failed
