#!/usr/bin/env bash
# Compares the POSIX profile code with the Windows profile calls on the cases given.
#
#   compare.sh live NATIVE-PROGRAM WINE-RUN WINDOWS-PROGRAM CASE...
#       runs every case through both programs, each in fresh folders
#   compare.sh recorded NATIVE-PROGRAM CASE...
#       runs every case through the native program and compares with CASE's .expected
#       file, what the Windows program printed when record.sh last ran it
set -uo pipefail
mode=$1
native=$2
shift 2
if [ "$mode" = live ]; then
  wine_run=$1
  windows=$2
  shift 2
fi
if [ ! -x "$native" ]; then
  echo "compare.sh: no native program at $native; build the native preset first" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs a program on every case, each in a fresh folder, and leaves its output in $1.
run_all() {
  local out=$1
  shift
  local args=() n=0 c
  for c in "${cases[@]}"; do
    n=$((n + 1))
    mkdir -p "$work/$out.$n"
    args+=("$c" "$work/$out.$n")
  done
  "$@" "${args[@]}" >"$work/$out" 2>"$work/$out.err" || {
    echo "compare.sh: $* failed:" >&2
    cat "$work/$out.err" >&2
    return 1
  }
}

cases=("$@")
run_all native "$native" || exit 1
if [ "$mode" = live ]; then
  run_all windows "$wine_run" "$windows" || exit 1
else
  for c in "${cases[@]}"; do
    cat "${c%.script}.expected" || exit 1
  done >"$work/windows"
fi

# One verdict per case.
split_cases() {
  awk -v dir="$work/$2" 'BEGIN { system("mkdir -p " dir) } /^== / { f = dir "/" $2 } { print > f }' "$work/$1"
}
split_cases native native.cases
split_cases windows windows.cases
passed=0
failed=0
for c in "${cases[@]}"; do
  name=$(basename "$c")
  if diff -u --label "Windows ($name)" --label "POSIX ($name)" \
      "$work/windows.cases/$name" "$work/native.cases/$name" >"$work/diff"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $name"
    cat "$work/diff"
  fi
done
echo "profile cases: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
