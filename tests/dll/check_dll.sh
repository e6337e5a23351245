#!/usr/bin/env bash
# Static checks of Quillora.cqp.dll, read with objdump:
#   names    the export table names the DLL Quillora.cqp.dll and holds exactly the
#            exports of exports.list, under their GBK names;
#   imports  it imports only Windows system DLLs, none of the compiler's runtime DLLs;
#   pops     each export's code returns with "ret" popping exactly the argument bytes
#            that exports.list gives it (stdcall), and the host's stack stays balanced.
# Usage: check_dll.sh names|imports|pops <dll> <exports.list> <objdump>
set -euo pipefail
export LC_ALL=C  # names are GBK bytes
check=$1
dll=$2
list=$3
objdump=$4

headers=$("$objdump" -p "$dll")

# "name symbol bytes" for each export, the name in GBK.
exports=$(grep -v '^#' "$list" | awk 'NF == 3' | iconv -f UTF-8 -t GBK)

# "index name" from the export name table; the index is the ordinal less the base.
exported_names() {
  sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$headers" |
    sed -n 's/^[[:space:]]*\[ *\([0-9]*\)\] \(.*\)$/\1 \2/p'
}

case $check in
names)
  status=0
  dll_name=$(sed -n 's/^Name[[:space:]]\{1,\}[0-9a-f]\{1,\} //p' <<<"$headers")
  if [ "$dll_name" != "Quillora.cqp.dll" ]; then
    echo "the export table names the DLL '$dll_name', not 'Quillora.cqp.dll'"
    status=1
  fi
  expected=$(awk '{print $1}' <<<"$exports" | sort)
  actual=$(exported_names | cut -d' ' -f2- | sort)
  if [ "$expected" != "$actual" ]; then
    echo "export names differ from exports.list (GBK shown as UTF-8):"
    diff <(iconv -f GBK -t UTF-8 <<<"$expected") <(iconv -f GBK -t UTF-8 <<<"$actual") || true
    status=1
  fi
  [ "$(wc -l <<<"$actual")" -eq 12 ] || { echo "expected 12 exports"; status=1; }
  exit $status
  ;;

imports)
  imported=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
  [ -n "$imported" ] || { echo "no import table found"; exit 1; }
  status=0
  while read -r name; do
    lower=$(tr 'A-Z' 'a-z' <<<"$name")
    case $lower in
    kernel32.dll | msvcrt.dll | wininet.dll | user32.dll | advapi32.dll | ws2_32.dll | \
      shell32.dll | ole32.dll | ntdll.dll | bcrypt.dll | crypt32.dll | secur32.dll | \
      shlwapi.dll | ucrtbase.dll | api-ms-win-*.dll) ;;
    *)
      echo "imports $name, which is not a Windows system DLL (the DLL must be linked statically)"
      status=1
      ;;
    esac
  done <<<"$imported"
  exit $status
  ;;

pops)
  image_base=$(sed -n 's/^ImageBase[[:space:]]\{1,\}\([0-9a-f]\{1,\}\)$/\1/p' <<<"$headers")
  [ -n "$image_base" ] || { echo "no ImageBase in the headers"; exit 1; }
  # ordinal index -> RVA
  rvas=$(sed -n '/^Export Address Table -- Ordinal Base/,/^$/p' <<<"$headers" |
    sed -n 's/^[[:space:]]*\[ *\([0-9]*\)\] +base\[ *[0-9]*\] \([0-9a-f]*\) Export RVA$/\1 \2/p')
  # "address name bytes" for each export: where its code begins and what it must pop.
  wanted=$(
    while read -r index name; do
      rva=$(awk -v i="$index" '$1 == i {print $2}' <<<"$rvas")
      bytes=$(awk -v n="$name" '$1 == n {print $3}' <<<"$exports")
      [ -n "$rva" ] && [ -n "$bytes" ] || continue
      printf '%08x %s %s\n' $((0x$image_base + 0x$rva)) "$(iconv -f GBK -t UTF-8 <<<"$name")" "$bytes"
    done < <(exported_names)
  )
  [ "$(wc -l <<<"$wanted")" -eq 12 ] || { echo "could not place all 12 exports"; exit 1; }
  # The function at each address, with its out-of-line ".cold" part, must return only
  # through "ret" with the export's argument bytes ("ret" alone for none).
  "$objdump" -d --no-show-raw-insn "$dll" | awk -v wanted="$wanted" '
    function hex(text,   i, value) {
      value = 0
      for (i = 1; i <= length(text); i++) value = value * 16 + index("0123456789abcdef", substr(text, i, 1)) - 1
      return value
    }
    BEGIN {
      n = split(wanted, lines, "\n")
      for (i = 1; i <= n; i++) {
        split(lines[i], f, " ")
        name[f[1]] = f[2]
        bytes[f[1]] = f[3]
      }
    }
    # A function begins: "6b9826e0 <_QuilloraJoin@20>:"
    /^[0-9a-f]+ <.*>:$/ {
      current = ""
      symbol = substr($2, 2, length($2) - 3)
      base = symbol
      sub(/\.cold.*$/, "", base)
      if ($1 in name) { found[$1] = 1; owner[symbol] = $1; current = $1 }
      else if (symbol != base && (base in owner)) current = owner[base]
      next
    }
    current != "" && /\t(repz |rep )?ret/ {
      operand = $NF
      got = (operand ~ /^\$0x/) ? hex(substr(operand, 4)) : 0
      rets[current]++
      if (got != bytes[current]) {
        printf "%s returns with %s, popping %d bytes instead of %d\n", name[current], $0, got, bytes[current]
        bad = 1
      }
    }
    END {
      for (a in name) {
        if (!(a in found)) { printf "no function found at %s (%s)\n", a, name[a]; bad = 1 }
        else if (!rets[a]) { printf "%s has no ret\n", name[a]; bad = 1 }
      }
      exit bad
    }'
  ;;

*)
  echo "unknown check '$check'"
  exit 2
  ;;
esac
