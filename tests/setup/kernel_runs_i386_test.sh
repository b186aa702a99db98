#!/usr/bin/env bash
# Checks each answer of cmake/kernel_runs_i386.sh. Usage: kernel_runs_i386_test.sh WORK_FOLDER
set -u
check=$(cd "$(dirname "$0")/../../cmake" && pwd)/kernel_runs_i386.sh
work=$1 failed=0
rm -rf "$work" && mkdir -p "$work/tmp" "$work/binfmt" && touch "$work/file" || exit 1
export I386_CHECK_BINFMT=$work/binfmt  # empty until an entry is written, whatever the system has
# Passes when the check, given the folder $3, ends with status $1 and output $2 (a pattern).
expect() {
  output=$(TMPDIR="$work/tmp" "$check" "$3" 2>&1)
  status=$?
  [[ $status == "$1" && $output == $2 ]] ||
    { echo "FAILED: $3: expected status $1 and '$2', got $status and '$output'" && failed=1; }
}

# The kernel's own answer, whichever it is here: yes, or no for want of IA-32 emulation. The
# program is written in the folder given, not in the temporary folder, and removed.
"$check" "$work/build" >/dev/null && kernel=(0 '') ||
  kernel=(1 'it has no IA-32 emulation (not built in, or switched off at boot)')
expect "${kernel[@]}" "$work/build"
[ -z "$(find "$work/tmp" "$work/build" -mindepth 1)" ] || { echo "FAILED: files left" && failed=1; }

# An entry for i386 programs, as Debian's qemu-user-binfmt writes it: when enabled, a no.
echo enabled >"$work/binfmt/status"
printf '%s\n' disabled 'interpreter /usr/bin/qemu-i386' 'offset 0' \
  'magic 7f454c4601010100000000000000000002000300' \
  'mask fffffffffffefe00fffffffffffffffffeffffff' >"$work/binfmt/qemu-i386"
expect "${kernel[@]}" "$work/build"
sed -i 1s/disabled/enabled/ "$work/binfmt/qemu-i386"
expect 1 'the binfmt_misc entry qemu-i386 hands it to the emulator /usr/bin/qemu-i386' "$work/build"

# A program that cannot be written, or run for any reason but its format, stops the set-up.
expect 2 'Cannot tell whether * cannot make the folder */file/build' "$work/file/build"
if unshare -rm true 2>/dev/null; then
  export -f expect && export check work
  I386_CHECK_BINFMT=$work unshare -rm bash -c 'failed=0 && mount -t tmpfs -o noexec none "$work/tmp" &&
    expect 2 "Cannot tell * did not run: Permission denied, exit status 126" "$work/tmp"
    exit $failed' || failed=1
else
  echo "The noexec case is left out: this system makes no mount namespace for a user."
fi
exit $failed
