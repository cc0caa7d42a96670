#!/usr/bin/env bash
# quendel-formc as the build runs it: a layout becomes the binary stream
# that reads back as the same objects, and a layout that would be stored
# under a name no form looks up, or that does not parse, fails the build
# with the file and the reason.
#   formc.sh QUENDEL_FORMC SOURCE_DIR
set -euo pipefail
formc=$1
src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$formc" "$work" "$src/forms/TWelcomeForm.txt" || fail "a stored layout did not convert"
[ "$(head -c 4 "$work/TWelcomeForm.form")" = TPF0 ] || fail "the output is no binary stream"
grep -q "WelcomeForm" "$work/TWelcomeForm.form" || fail "the output lacks the form"

printf 'object X: TLicenseForm\nend\n' >"$work/TWelcomeForm.txt"
if "$formc" "$work/out" "$work/TWelcomeForm.txt" 2>"$work/err"; then fail "a misnamed layout converted"; fi
grep -q "TWelcomeForm.txt: the layout is of class TLicenseForm" "$work/err" || fail "message: $(cat "$work/err")"

printf 'object X: TBrokenForm\n  Caption = \n' >"$work/TBrokenForm.txt"
if "$formc" "$work" "$work/TBrokenForm.txt" 2>"$work/err"; then fail "a broken layout converted"; fi
grep -q "TBrokenForm.txt:" "$work/err" || fail "message: $(cat "$work/err")"
[ ! -e "$work/TBrokenForm.form" ] || fail "a broken layout left an output"
echo "formc: ok"
