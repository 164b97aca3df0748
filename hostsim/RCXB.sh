#!/bin/sh
# Batch wrapper of the conversion utility (DRUVO host simulation), installed as RCXB.BAT.
#   RCXB.BAT <letter> <file> <digits> <program folder>
# The folder may be written the Windows way (X:\QMV): the drive is the root and "\" a
# separator; RCX.EXE is found there in any letter case. The utility's exit code is passed on.
dir=$(printf '%s\n' "$4" | sed -e 's|^[A-Za-z]:||' -e 's|\\|/|g')
[ -n "$dir" ] || dir=/
program="$dir/RCX.EXE"
if [ ! -f "$program" ]; then
  for candidate in "$dir"/*; do
    name=$(basename "$candidate" | tr '[:lower:]' '[:upper:]')
    if [ "$name" = RCX.EXE ] && [ -f "$candidate" ]; then
      program=$candidate
      break
    fi
  done
fi
exec "$program" "$1" "$2" "$3"
