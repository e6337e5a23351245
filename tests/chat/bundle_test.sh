#!/usr/bin/env bash
# The release bundle: cpack's ZIP holds exactly the files that the operator's guide
# names, and its texts are GBK with CR LF, without byte-order mark, saying what the
# UTF-8 sources in the repository say.
# Usage: bundle_test.sh <win32 build folder> <source folder> <work folder>
set -euo pipefail
build=$1
source=$2
work=$3
# Names in the ZIP are UTF-8: cpack and unzip need a UTF-8 locale to read and write them.
export LC_ALL=C.UTF-8

fail() {
  echo "bundle: $*" >&2
  exit 1
}

rm -rf "$work"
mkdir -p "$work"
(cd "$build" && cpack -G ZIP -B "$work" >"$work/cpack.log" 2>&1) || {
  cat "$work/cpack.log"
  fail "cpack failed"
}
zip=$(ls "$work"/Quillora-*-win32.zip)
top=$(basename "$zip" .zip)
echo "bundle: $zip"

# Names as stored, without folders; they must be UTF-8 with the UTF-8 flag set, or an
# unzip on a Chinese Windows turns 真心话.txt into something the plugin cannot open.
unzip -Z1 "$zip" | grep -v '/$' | sort >"$work/names"
printf '%s\n' "$top/Quillora.cqp.dll" "$top/config/Quillora.ini" "$top/operator-guide.txt" \
  "$top/plugin/大冒险.txt" "$top/plugin/真心话.txt" "$top/quillora-chat.exe" |
  sort >"$work/expected-names"
diff -u "$work/expected-names" "$work/names" || fail "the bundle holds other files than these"
# The central directory, walked from the end record: every non-ASCII name flagged UTF-8
# (general purpose bit 11).
perl -0777 -ne '
  my $end = rindex($_, "PK\x05\x06");
  die "no end record\n" if $end < 0;
  my ($count, $size, $at) = unpack("v V V", substr($_, $end + 10, 10));
  my $zip = $_;
  for my $entry (1 .. $count) {
    die "no central entry at $at\n" if substr($zip, $at, 4) ne "PK\x01\x02";
    my ($flags, $name, $extra, $comment) =
        (unpack("v", substr($zip, $at + 8, 2)), unpack("v v v", substr($zip, $at + 28, 6)));
    my $path = substr($zip, $at + 46, $name);
    die "name not flagged UTF-8: $path\n" if $path =~ /[\x80-\xff]/ && !($flags & 0x800);
    $at += 46 + $name + $extra + $comment;
  }' "$zip" || fail "a file name in the bundle is not marked as UTF-8"

mkdir "$work/unpacked"
(cd "$work/unpacked" && unzip -q "$zip") || fail "cannot unpack the bundle"
root=$work/unpacked/$top

# A PE image each: "MZ" at the start.
for binary in Quillora.cqp.dll quillora-chat.exe; do
  [ "$(head -c 2 "$root/$binary")" = MZ ] || fail "$binary is no Windows program"
done

# Each text: GBK, CR LF after every line and nowhere else, no BOM, same text as its source.
check_text() {
  local file=$1 original=$2
  [ -s "$file" ] || fail "$file is empty"
  [ "$(head -c 3 "$file" | od -An -tx1 | tr -d ' ')" != efbbbf ] || fail "$file has a BOM"
  iconv -f GBK -t UTF-8 "$file" >"$work/text.utf8" || fail "$file is not GBK"
  perl -0777 -ne 'exit((/(?<!\r)\n|\r(?!\n)/ || !/\r\n\z/) ? 1 : 0)' "$file" ||
    fail "$file has a line not ended by CR LF"
  tr -d '\r' <"$work/text.utf8" | diff -u "$original" - || fail "$file differs from $original"
}
check_text "$root/plugin/真心话.txt" "$source/data/真心话.txt"
check_text "$root/plugin/大冒险.txt" "$source/data/大冒险.txt"
check_text "$root/config/Quillora.ini" "$source/data/Quillora.ini"
check_text "$root/operator-guide.txt" "$source/docs/operator-guide.md"

# Enough questions, none empty.
for bank in 真心话 大冒险; do
  lines=$(grep -c . "$root/plugin/$bank.txt")
  [ "$lines" -ge 80 ] || fail "$bank.txt has only $lines questions"
  ! grep -q $'^\r$' "$root/plugin/$bank.txt" || fail "$bank.txt has an empty line"
done

echo "bundle: $(wc -l <"$work/names") files, texts GBK with CR LF"
