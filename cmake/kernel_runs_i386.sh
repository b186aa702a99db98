#!/usr/bin/env bash
# Exits 0 when this kernel runs 32-bit x86 programs, which the i686 programs need under Wine, and 1
# when it does not (no IA-32 emulation built in, or switched off at boot). It asks by doing: a
# 96-byte static i386 program whose only instructions are the exit system call with status 42.
set -u
program=$(mktemp "${TMPDIR:-/tmp}/i386-check.XXXXXX") || exit 1
trap 'rm -f "$program"' EXIT
# ELF header, one loadable segment at 0x08048000, then: mov eax,1; mov ebx,42; int 0x80.
printf '%b' \
  '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00' \
  '\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00' \
  '\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' \
  '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' \
  '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$program"
chmod +x "$program"
"$program" 2>/dev/null
[ $? -eq 42 ]
