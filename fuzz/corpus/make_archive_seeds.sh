#!/usr/bin/env bash
# Seeds for the archive fuzz targets, made by the author tool:
#   fuzz/corpus/make_archive_seeds.sh [path/to/quendel]
# archive_directory reads its first byte as the offset (kept 0 here).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
q=${1:-$here/../../build/native/apps/quendel/quendel}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
printf 'setup archive member %.0s\r\n' {1..40} >text.txt
head -c 300 /dev/zero | tr '\0' 'x' >xs.txt
: >empty
printf '\x01\x02\x03\xfe\xff' >bin.dat
"$q" archive add two.qar text.txt bin.dat --id 5 --level default
"$q" archive add three.qar text.txt xs.txt empty --level none
"$q" archive add one.qar xs.txt --level fastest
"$q" archive split two.qar set --volume-size 65536
printf '\0\0\0\0\0' >empty.qar
for f in two.qar three.qar one.qar set/two.1 empty.qar; do
  name=$(basename "$f")
  cp "$f" "$here/archive_extract/$name"
  { printf '\0'; cat "$f"; } >"$here/archive_directory/$name"
done
ls -l "$here/archive_directory" "$here/archive_extract"
