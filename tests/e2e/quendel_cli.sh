#!/usr/bin/env bash
# The author tool as an author uses it: each command on real files, checking
# what it writes, what it prints and how it exits.
#   quendel_cli.sh QUENDEL SOURCE_DIR
set -u
q=$1
src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
passed=0
failed=0
check() { # NAME COMMAND...: the command must succeed
  local name=$1; shift
  if "$@" >"$work/now" 2>"$work/err"; then passed=$((passed + 1))
  else failed=$((failed + 1)); echo "FAILED: $name"; cat "$work/err"; fi
  mv "$work/now" "$work/out" # what the next check may look at
}
refuse() { # NAME PATTERN COMMAND...: the command must fail with exit 1 and a message matching PATTERN
  local name=$1 pattern=$2; shift 2
  "$@" >"$work/out" 2>"$work/err"
  local rc=$?
  if [ "$rc" -eq 1 ] && grep -qE "$pattern" "$work/err"; then passed=$((passed + 1))
  else failed=$((failed + 1)); echo "FAILED: $name (exit $rc)"; cat "$work/err"; fi
}

# Definitions: text -> binary -> text is the same text; check loads every class.
check definition.to_binary "$q" definition to-binary "$src/examples/demo/definition.txt" -o def.bin
check definition.signature bash -c 'head -c4 def.bin | grep -q TPF0'
check definition.to_text "$q" definition to-text def.bin -o def.txt
check definition.round_trip bash -c "diff <(tr -d '\r' <'$src/examples/demo/definition.txt') <(tr -d '\r' <def.txt)"
check definition.stdin_stdout bash -c "'$q' definition to-binary - <'$src/examples/demo/definition.txt' | cmp - def.bin"
check definition.check "$q" definition check def.bin
check definition.check_lists_objects grep -q "psContainerDestDir: TpsContainerDestDir" "$work/out"
printf 'object X: TNothing\nend\n' >unknown.txt
refuse definition.unknown_class "Class TNothing not found" "$q" definition check unknown.txt
printf 'TPF0\x0cTfrmMainMenu' >truncated.bin
refuse definition.truncated "." "$q" definition to-text truncated.bin
# A damaged signature is neither form: an invalid stream, not a text fault.
{ printf 'TPF1'; tail -c +5 def.bin; } >damaged.bin
refuse definition.damaged_signature "damaged.bin: Invalid stream format$" "$q" definition to-text damaged.bin
refuse definition.damaged_signature_check "damaged.bin: Invalid stream format$" "$q" definition check damaged.bin

# Archives: add, list, extract, split; identifiers follow --id.
printf 'first file\r\n' >a.txt
head -c 300000 /dev/urandom >b.bin
check archive.add "$q" archive add files.1 a.txt b.bin --id 7
check archive.append bash -c "cp a.txt c.txt && '$q' archive add files.1 c.txt --append --id 20"
check archive.list "$q" archive list files.1 --json
check archive.list_ids bash -c 'grep -q "\"uniqueId\": 7," "$0" && grep -q "\"uniqueId\": 8," "$0" && grep -q "\"uniqueId\": 20," "$0"' "$work/out"
check archive.extract "$q" archive extract files.1 -C out1
check archive.extract_same bash -c 'cmp a.txt out1/a.txt && cmp b.bin out1/b.bin && cmp c.txt out1/c.txt'
check archive.split "$q" archive split files.1 disks --volume-size 100000
check archive.split_volumes test -f disks/files.3
check archive.extract_volumes "$q" archive extract disks/files.1 -C out2
check archive.volumes_same diff -r out1 out2
check archive.extract_never "$q" archive extract files.1 a.txt -C out1 --overwrite never
refuse archive.id_range "1999" "$q" archive add ids.1 a.txt b.bin --id 1999
refuse archive.not_an_archive "." "$q" archive list unknown.txt
refuse archive.missing_file "." "$q" archive add more.1 no-such-file.txt

# Versions and the machine.
refuse version.none "no version resource" "$q" version a.txt
check system.json "$q" system --json
check system.json_names grep -q '"OSVerType"' "$work/out"
check paths "$q" paths
check paths.common_startup grep -q psCommonStartup "$work/out"

# Shortcuts: the project's reader on a link its writer made.
check link.show "$q" link show "$src/tests/data/links/sample.lnk"
check link.show_fields bash -c 'grep -qF "Target: C:\Program Files\Demo\Demo.exe" "$0" && grep -qF "Hot key: Ctrl+Shift+D" "$0"' "$work/out"
check link.show_json "$q" link show "$src/tests/data/links/sample.lnk" --json
check link.show_json_fields grep -qF '"iconIndex": -2' "$work/out"
refuse link.not_a_link "not a shell link" "$q" link show a.txt

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
