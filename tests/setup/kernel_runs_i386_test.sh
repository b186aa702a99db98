#!/usr/bin/env bash
# Checks each answer of cmake/kernel_runs_i386.sh. Usage: kernel_runs_i386_test.sh WORK_FOLDER
set -u
check=$(cd "$(dirname "$0")/../../cmake" && pwd)/kernel_runs_i386.sh
work=$1
rm -rf "$work" && mkdir -p "$work/tmp" "$work/binfmt" || exit 1
failed=0
# Runs the check on FOLDER; passes when its status and output are STATUS and OUTPUT (a pattern).
expect() {
  local output status
  output=$(TMPDIR="$work/tmp" "$check" "$3" 2>&1)
  status=$?
  [[ $status == "$1" && $output == $2 ]] && return
  echo "FAILED: $3: expected status $1 and '$2', got $status and '$output'"
  failed=1
}

# The kernel's own answer, whichever it is here: yes, or no for want of IA-32 emulation. The
# program is written in the folder given, not in the temporary folder, and removed.
kernel=$("$check" "$work/build")
case $? in
  0) expect 0 '' "$work/build" ;;
  *) expect 1 'it has no IA-32 emulation (not built in, or switched off at boot)' "$work/build" ;;
esac
[ -z "$(find "$work/tmp" "$work/build" -mindepth 1)" ] || { echo "FAILED: files left" && failed=1; }

# An enabled entry for i386 programs (as Debian's qemu-user-binfmt writes it) is a no; a disabled
# one leaves the kernel's answer.
echo enabled >"$work/binfmt/status"
printf '%s\n' disabled 'interpreter /usr/libexec/qemu-binfmt/i386-binfmt-P' 'flags: POCF' \
  'offset 0' 'magic 7f454c4601010100000000000000000002000300' \
  'mask fffffffffffefe00fffffffffffffffffeffffff' >"$work/binfmt/qemu-i386"
export I386_CHECK_BINFMT=$work/binfmt
[ "$("$check" "$work/build")" = "$kernel" ] || { echo "FAILED: disabled entry" && failed=1; }
sed -i 1s/disabled/enabled/ "$work/binfmt/qemu-i386"
expect 1 'the binfmt_misc entry qemu-i386 hands it to the emulator /usr/libexec/qemu-binfmt/i386-binfmt-P' "$work/build"
unset I386_CHECK_BINFMT

# A program that cannot be written, or run for any reason but its format, stops the set-up.
touch "$work/file"
expect 2 'Cannot tell whether * cannot make the folder */file/build' "$work/file/build"
mkdir "$work/noexec"
if unshare -rm true 2>/dev/null; then
  export -f expect && export check work
  unshare -rm bash -c 'failed=0 && mount -t tmpfs -o noexec none "$work/noexec" &&
    expect 2 "Cannot tell whether * did not run: Permission denied, exit status 126" "$work/noexec"
    exit $failed' || failed=1
else
  echo "The noexec case is left out: this system makes no mount namespace for a user."
fi
exit $failed
