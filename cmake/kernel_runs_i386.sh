#!/usr/bin/env bash
# Usage: kernel_runs_i386.sh FOLDER
# Answers whether this kernel itself runs 32-bit x86 programs, which the i686 programs need under
# Wine. It asks by doing: a 96-byte static i386 program, written into FOLDER (in the build tree,
# as a temporary folder may forbid running programs), whose only instructions are the exit system
# call with status 42.
#   0: it runs them.
#   1: it does not; one line on stdout says why. That is when it refuses the program as not of its
#      format (no IA-32 emulation built in, or switched off at boot), or when an enabled
#      binfmt_misc entry would hand it to an emulator, which takes the kernel's place. Entries
#      are read wherever the mount table shows binfmt_misc mounted; one mounted only in another
#      mount namespace (a container's host's) is out of sight.
#   2: it cannot tell, as the program could not be written, or run otherwise, or did not end
#      within 5 s, or the mount table or binfmt_misc's entries could not be read; stderr says why.
# I386_CHECK_BINFMT names the binfmt_misc folder to read instead of the system's (for tests).
set -u
export LC_ALL=C  # the system's reasons in English, as they are matched below
folder=${1:?usage: kernel_runs_i386.sh FOLDER}
seconds=5  # the program makes one system call: far longer means it is stuck somewhere else

cannot_tell() {
  echo "Cannot tell whether this kernel runs 32-bit x86 programs: $*" >&2
  exit 2
}

# systemd mounts binfmt_misc at its usual place only once something in there is looked up.
if [ -n "${I386_CHECK_BINFMT:-}" ]; then
  binfmts=("$I386_CHECK_BINFMT")
else
  [ -e /proc/sys/fs/binfmt_misc/status ] || true
  mounts=$(cat /proc/self/mounts 2>/dev/null || cat /proc/mounts 2>/dev/null)
  [ -n "$mounts" ] ||
    cannot_tell "cannot read the mount table (/proc/self/mounts) to find binfmt_misc"
  binfmts=()
  while read -r _ point type _; do
    [ "$type" = binfmt_misc ] && binfmts+=("$(printf '%b' "$point")")  # spaces come as \040
  done <<<"$mounts"
fi

mkdir -p "$folder" 2>/dev/null || cannot_tell "cannot make the folder $folder"
program=$(mktemp "$folder/i386-check.XXXXXX" 2>/dev/null) ||
  cannot_tell "cannot write a test program in $folder"
trap 'rm -f "$program"' EXIT
# ELF header, one loadable segment at 0x08048000, then: mov eax,1; mov ebx,42; int 0x80.
printf '%b' \
  '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00' \
  '\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00' \
  '\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' \
  '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' \
  '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$program" && chmod +x "$program" ||
  cannot_tell "cannot write a test program in $folder"

# The kernel asks binfmt_misc's enabled entries before its own loader: an entry whose magic,
# under its mask, matches the program's bytes at its offset takes the program.
bytes=$(od -An -v -tx1 "$program" | tr -d ' \n')
for binfmt in "${binfmts[@]}"; do
  switch=$(cat "$binfmt/status" 2>/dev/null) || cannot_tell "cannot read $binfmt/status"
  [ "$switch" = enabled ] || continue
  for entry in "$binfmt"/*; do
    case ${entry##*/} in status | register) continue ;; esac
    lines=$(cat "$entry" 2>/dev/null) || cannot_tell "cannot read the binfmt_misc entry $entry"
    state='' interpreter='' offset=0 magic='' mask=''
    while read -r key value; do
      case $key in
        enabled | disabled) state=$key ;;
        interpreter | offset | magic | mask) printf -v "$key" '%s' "$value" ;;
      esac
    done <<<"$lines"
    [ "$state" = enabled ] && [ -n "$magic" ] || continue
    matches=1
    for ((i = 0; i < ${#magic} / 2; i++)); do
      have=${bytes:2*(offset+i):2} want=${magic:2*i:2} under=${mask:2*i:2}
      [ -n "$have" ] && ((((0x$have ^ 0x$want) & 0x${under:-ff}) == 0)) || { matches=0; break; }
    done
    if [ $matches -eq 1 ]; then
      echo "the binfmt_misc entry ${entry##*/} hands it to the emulator $interpreter"
      exit 1
    fi
  done
done

# Started by bash, as timeout's own start would hand a program of a refused format to sh; killed
# on time with its process group, so that nothing it started holds the output open.
message=$(timeout -k 1 $seconds bash -c '"$0"' "$program" 2>&1)
status=$?
[ $status -eq 42 ] && exit 0
[ $status -eq 124 ] && cannot_tell "the test program $program did not end within $seconds s"
if [[ $message == *"Exec format error" ]]; then
  echo "it has no IA-32 emulation (not built in, or switched off at boot)"
  exit 1
fi
cannot_tell "the test program $program did not run: ${message:+${message##*: }, }exit status $status"
