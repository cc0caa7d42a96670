#!/usr/bin/env bash
# Shortcuts end to end under Wine, through the real programs: the links
# example (examples/links) built with "quendel build", installed unattended
# by its setup.exe in a 64-bit prefix, every shortcut read back both by the
# shell (IShellLinkA::Load, in the qt_readlink fixture) and by the project's
# own reader ("quendel link show --json"), the uninstall log and the
# uninstaller started as Windows starts "UninstallString". Then the same
# example's links as the native adapter writes them (the native test
# LinksExample exports them) must read the same through the shell, and its
# internet shortcut must be the file the profile calls wrote.
#   links_wine.sh WIN32_BUILD_DIR SOURCE_DIR [NATIVE_BUILD_DIR]
set -euo pipefail
src=$(cd "$2" && pwd)
native=${3:-$1/../native}
. "$(dirname "${BASH_SOURCE[0]}")/wine64.sh"
e2e_begin "$1" links-e2e
e2e_kit "$native"
shell_reader=$build/tests/fixtures/qt_readlink.exe
native_tests=$native/tests/links/links_tests
[ -x "$native_tests" ] || fail "no native links_tests in $native (build the native preset first)"

# The project's reader: the native quendel when the kit has it, else quendel.exe.
# (Natively a host path becomes a Windows one, where the ":" of Wine's
# "dosdevices/c:" is no character a name may hold: the real path is taken.)
own_reader() { # LINK (Unix path): its JSON
  if [ -x "$kit/quendel" ]; then
    "$kit/quendel" link show --json "$(realpath "$1")" </dev/null
  else
    wine "$kit/quendel.exe" link show --json "$(win "$1")" </dev/null | tr -d '\r'
  fi
}
# Both readers must agree on every field but the show command (Wine's shell
# always reads back 1); EXPECTED (JSON, may be {}) names fields and values.
compare_links() { # NAME-OF-CHECK EXPECTED-JSON LINK...
  local what=$1 expected=$2
  shift 2
  local winpaths=() f
  for f in "$@"; do winpaths+=("$(win "$f")"); done
  wine "$shell_reader" "${winpaths[@]}" </dev/null | tr -d '\r' >"$work/shell.json" \
    || fail "$what: the shell cannot load the links"
  : >"$work/own.json"
  for f in "$@"; do own_reader "$f" >>"$work/own.json" || fail "$what: quendel link show failed for $f"; done
  /usr/bin/python3 - "$what" "$expected" "$work/shell.json" "$work/own.json" <<'PY' || fail "$what: the readers disagree"
import json, sys
what, expected, shell_file, own_file = sys.argv[1], json.loads(sys.argv[2]), sys.argv[3], sys.argv[4]
shell = json.load(open(shell_file))
text = open(own_file).read()
own, pos, dec = [], 0, json.JSONDecoder()
while text[pos:].strip():
    obj, pos = dec.raw_decode(text, text.index("{", pos))
    own.append(obj)
assert len(shell) == len(own), (len(shell), len(own))
bad = 0
for s, o in zip(shell, own):
    name = s["file"].rsplit("\\", 1)[-1]
    for k in ("target", "arguments", "workingDirectory", "description", "iconPath", "iconIndex", "hotKey"):
        if s[k] != o[k]:
            print(f"{what}: {name}: {k}: shell {s[k]!r}, reader {o[k]!r}"); bad += 1
    for k, v in expected.get(name, {}).items():
        if s[k] != v:
            print(f"{what}: {name}: {k}: {s[k]!r}, expected {v!r}"); bad += 1
sys.exit(1 if bad else 0)
PY
}

# The product, beside the kit's uninstaller, built natively (or by quendel.exe).
product=$work/product
cp -r "$src/examples/links" "$product"
cp "$kit/uninstall.exe" "$product/uninstall.exe"
quendel_build "$product/definition.txt" "$work/out" >/dev/null || fail "quendel build failed"

# The user's desktop is a real folder of the prefix, never the host's.
profile_win=$(wine cmd /c 'echo %USERPROFILE%' </dev/null 2>/dev/null | tr -d '\r')
desktop=$(winepath -u "$profile_win\\Desktop" 2>/dev/null)
if [ -L "$desktop" ]; then rm "$desktop"; fi
mkdir -p "$desktop"

# Installed twice, the second run over the first (its links replaced, its
# log appended to).
log=$work/setup.log
for run in first second; do
  set +e
  wine "$work/out/setup.exe" '*q' "*l$(win "$log")" </dev/null
  code=$?
  set -e
  [ "$code" -eq 0 ] || { cat "$log" >&2 || true; fail "the $run install ended with $code"; }
done

product_win='C:\Program Files (x86)\Links Example'
installed=$(winepath -u "$product_win" 2>/dev/null)
programs_win=$(wine cmd /c 'echo %APPDATA%' </dev/null 2>/dev/null | tr -d '\r')'\Microsoft\Windows\Start Menu\Programs\Links Example'
programs=$(winepath -u "$programs_win" 2>/dev/null)
links=("$programs/Tools/Viewer.lnk" "$programs/Tools/Uninstall.lnk" "$programs/Help/Documentation.lnk"
  "$desktop/Links Viewer.lnk")
for f in "${links[@]}" "$programs/Help/Home Page.URL"; do [ -f "$f" ] || fail "no shortcut $f"; done
expected=$(/usr/bin/python3 - "$product_win" <<'PY'
import json, sys
p = sys.argv[1]
print(json.dumps({
  "Viewer.lnk": {"target": p + "\\viewer.cmd", "arguments": "-startup", "workingDirectory": p, "iconPath": ""},
  "Uninstall.lnk": {"target": p + "\\Uninstall\\uninstall.exe", "arguments": "Links 100% Example",
                    "workingDirectory": p + "\\Uninstall"},
  "Documentation.lnk": {"target": p + "\\Docs", "workingDirectory": p},
  "Links Viewer.lnk": {"target": p + "\\viewer.cmd", "arguments": '/data "' + p + '\\Data"',
                       "workingDirectory": "C:\\WINDOWS\\Temp", "iconPath": "C:\\WINDOWS\\system32\\shell32.dll",
                       "iconIndex": 3, "hotKey": 0x600 + ord("L")},
}))
PY
)
compare_links "installed" "$expected" "${links[@]}"
tr -d '\r' <"$programs/Help/Home Page.URL" | grep -qx 'URL=http://www.example.com:8080/links/' \
  || fail "the internet shortcut: $(cat "$programs/Help/Home Page.URL")"
tr -d '\r' <"$programs/Help/Home Page.URL" | grep -qx '\[InternetShortcut\]' || fail "the internet shortcut has no section"
cp "$programs/Help/Home Page.URL" "$work/shell.URL"

# The hard link: a second name of the installed guide.
[ "$(stat -c %i "$programs/Guide.lnk")" = "$(stat -c %i "$installed/Docs/guide.txt")" ] \
  || fail "Guide.lnk is not a hard link of the installed guide"

# The excluded file: neither it nor its shortcut, but the log lists the shortcut.
[ ! -e "$installed/extras.txt" ] || fail "the excluded file was installed"
[ ! -e "$programs/Extras/Extras.lnk" ] || fail "the excluded file got a shortcut"
[ -d "$programs/Extras" ] || fail "no folder for the sub group of the excluded file's shortcut"
ukey='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Links 100% Example'
wine reg query "$ukey\\Files" /reg:32 </dev/null 2>/dev/null | tr -d '\r' >"$work/files.reg"
grep -qF "$programs_win\\Extras\\Extras.lnk" "$work/files.reg" || { cat "$work/files.reg" >&2; fail "the log does not list Extras.lnk"; }

# The uninstall as Windows starts "UninstallString", unattended.
uninstall_string=$(wine reg query "$ukey" /v UninstallString /reg:32 </dev/null 2>/dev/null | tr -d '\r' \
  | sed -n 's/^ *UninstallString *REG_SZ *//p')
[ "$uninstall_string" = "\"$product_win\\Uninstall\\uninstall.exe\" Links 100% Example" ] \
  || fail "UninstallString: $uninstall_string"
uninstaller=$(printf '%s' "$uninstall_string" | sed 's/^"\([^"]*\)".*/\1/')
set +e
wine "$uninstaller" '*q' "*l$(win "$work/uninstall.log")" ${uninstall_string#*\" } </dev/null
code=$?
set -e
[ "$code" -eq 0 ] || { cat "$work/uninstall.log" >&2 || true; fail "the uninstall ended with $code"; }
for f in "${links[@]}" "$programs/Help/Home Page.URL" "$programs/Guide.lnk"; do [ ! -e "$f" ] || fail "the uninstall left $f"; done
[ ! -e "$programs" ] || { find "$programs" >&2; fail "the uninstall left the program folder"; }
[ -d "$desktop" ] || fail "the uninstall removed the desktop"

# The native adapter's files of the same example, loaded by the shell.
# (Its machine in this script's own directory, apart from a native test run.)
TMPDIR=$work QUENDEL_EXPORT_LINKS=$work/native "$native_tests" --gtest_filter='LinksExample.InstallWritesEveryLinkAndTheUninstallRemovesThem' >"$work/native.log" 2>&1 \
  || { cat "$work/native.log" >&2; fail "the native install of the example failed"; }
mapfile -t written < <(find "$work/native" -iname '*.lnk' | sort)
[ "${#written[@]}" -eq 4 ] || fail "the native install exported ${#written[@]} links, not 4"
compare_links "natively written" '{}' "${written[@]}"
# The natively written internet shortcut is the file the profile calls wrote.
cmp "$work/shell.URL" "$(find "$work/native" -name 'Home Page.URL')" || fail "the natively written Home Page.URL differs"
echo "links end to end: ok"
