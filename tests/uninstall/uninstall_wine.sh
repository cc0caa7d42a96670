#!/usr/bin/env bash
# The uninstaller under Wine, on a product laid out and registered as the
# setup program leaves it: everything logged goes, what the user added and
# what lies outside the product stays, the key goes, exit code 0.
set -u
uninstaller=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEPREFIX=${QUENDEL_WINEPREFIX:-$here/../../build/wineprefix}
export WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-winemenubuilder.exe=d;mscoree=d;mshtml=d}
work=$(mktemp -d /tmp/quendel-uninstall.XXXXXX)
fails=0
check() {
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; fails=$((fails + 1)); fi
}
product="Quendel Test $$"
winprod="C:\\Program Files\\$product"
prod=$(winepath -u "$winprod" 2>/dev/null)
appdata=$(wine cmd /c 'echo %APPDATA%' 2>/dev/null | tr -d '\r')
winfolder="$appdata\\Microsoft\\Windows\\Start Menu\\Programs\\$product"
folder=$(winepath -u "$winfolder" 2>/dev/null)
outside=$(winepath -u 'C:\users\Public' 2>/dev/null)/quendel-keep-$$.txt
trap 'rm -rf "$work" "$prod" "$folder" "$outside"' EXIT

mkdir -p "$prod/data/deep" "$prod/Uninstall" "$folder"
cp "$uninstaller" "$prod/Uninstall/uninstall.exe"
echo app >"$prod/app.exe"; echo a >"$prod/data/a.txt"; echo b >"$prod/data/deep/b.txt"
echo mine >"$prod/data/mine.txt"; echo link >"$folder/App.lnk"; echo keep >"$outside"

key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product"
reg() { wine reg "$@" >/dev/null 2>&1; }
reg add "$key" /v DisplayName /d "$product" /f
reg add "$key" /v UninstallString /d "\"$winprod\\Uninstall\\uninstall.exe\" $product" /f
n=0
for f in "$winprod\\app.exe" "$winprod\\data\\a.txt" "$winprod\\data\\deep\\b.txt" \
         "$winfolder\\App.lnk" 'C:\users\Public\quendel-keep-'$$'.txt' 'data\a.txt'; do
  n=$((n + 1)); reg add "$key\\Files" /v "File$n" /d "$f" /f
done
reg add "$key\\Files" /v Entries /d "$n" /f

log="$work/uninstall.log"
wine "$prod/Uninstall/uninstall.exe" '*q' "*l$(winepath -w "$log")" "$product" </dev/null >/dev/null 2>&1
code=$?
check "exit code 0 ($code)" [ "$code" -eq 0 ]
check "installed files gone" [ ! -e "$prod/app.exe" ] && [ ! -e "$prod/data/a.txt" ] && [ ! -e "$prod/data/deep" ]
check "shortcut and program folder gone" [ ! -e "$folder" ]
check "the user's own file stays" [ -e "$prod/data/mine.txt" ]
check "an entry outside the product is refused, its file stays" [ -e "$outside" ]
check "refusals logged" grep -q "Refused C:.users.Public.quendel-keep-$$.txt: outside" "$log"
check "relative entry refused" grep -q 'Refused data.a.txt: relative or malformed path' "$log"
check "the uninstaller left its directory" [ ! -e "$prod/Uninstall" ]
key_gone() { ! wine reg query "$key" >/dev/null 2>&1; }
check "uninstall key gone" key_gone

# Nothing registered under the name: nothing ran (4), nothing touched.
wine "$uninstaller" '*q' "No Such Product $$" </dev/null >/dev/null 2>&1
code=$?
check "unknown product gives exit code 4 ($code)" [ "$code" -eq 4 ]
[ "$fails" -eq 0 ]
