#!/usr/bin/env bash
# Records what the Windows profile calls give for every case (or for the cases named),
# as CASE.expected beside CASE.script, for the native build's comparison.
#
#   record.sh WINE-RUN WINDOWS-PROGRAM [CASE...]
# for example, from the source folder:
#   tests/differential/record.sh scripts/wine-run \
#     build/win32/tests/differential/profile_script_windows.exe
set -euo pipefail
wine_run=$1
windows=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
if [ $# -eq 0 ]; then set -- "$here"/cases/*.script; fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
args=()
n=0
for c in "$@"; do
  n=$((n + 1))
  mkdir "$work/$n"
  args+=("$c" "$work/$n")
done
"$wine_run" "$windows" "${args[@]}" >"$work/out"
for c in "$@"; do
  name=$(basename "$c")
  awk -v want="$name" '/^== / { on = ($2 == want) } on' "$work/out" >"${c%.script}.expected"
  [ -s "${c%.script}.expected" ] || { echo "record.sh: nothing printed for $name" >&2; exit 1; }
  echo "recorded ${c%.script}.expected"
done
