#!/usr/bin/env bash
# A product's setup program end to end under Wine, as a user's machine runs
# it: a 64-bit prefix (the setup program is 32-bit, so its HKLM\SOFTWARE
# writes land in the 32-bit view), "quendel make-setup" from the kit, the
# program's PE checked (version resource, Authenticode signing), then
# unattended runs with a log and their exit codes.
#   setup_wine.sh WIN32_BUILD_DIR SOURCE_DIR
set -euo pipefail
src=$(cd "$2" && pwd)
. "$(dirname "${BASH_SOURCE[0]}")/wine64.sh"
e2e_begin "$1" setup-e2e
quendel=$build/apps/quendel/quendel.exe
runtime_dir=$build/apps/setup

# make-setup, with the kit found through QUENDEL_KIT.
QUENDEL_KIT=$(win "$runtime_dir") wine "$quendel" make-setup "$(win "$src/examples/setup/definition.txt")" \
  -o "$(win "$work/ExampleSetup.exe")" --title "Quendel Example Install" </dev/null \
  || fail "make-setup failed"
[ -f "$work/ExampleSetup.exe" ] || fail "make-setup wrote nothing"
# A definition the runtime could not load is refused, and nothing is written.
printf 'object X: TNoSuchClass\nend\n' >"$work/bad.txt"
if QUENDEL_KIT=$(win "$runtime_dir") wine "$quendel" make-setup "$(win "$work/bad.txt")" \
  -o "$(win "$work/Bad.exe")" </dev/null 2>/dev/null; then fail "make-setup accepted a bad definition"; fi
[ ! -e "$work/Bad.exe" ] || fail "make-setup left a file behind"

# Still a valid PE: its version resource reads, and Authenticode signs and
# verifies it (a throwaway self-signed certificate).
wine "$quendel" version "$(win "$work/ExampleSetup.exe")" </dev/null | grep -q "Quendel Setup program" \
  || fail "quendel version cannot read the setup program"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Quendel Test" \
  -keyout "$work/key.pem" -out "$work/cert.pem" >/dev/null 2>&1
osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -in "$work/ExampleSetup.exe" \
  -out "$work/SignedSetup.exe" >/dev/null || fail "osslsigncode cannot sign the setup program"
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/SignedSetup.exe" >/dev/null \
  || fail "the signature does not verify"

# The example product's distribution: its archive files.1, made by quendel
# archive in the payload's directory (members named as the definition's
# files, identifiers in the order of its UniqueID values), beside the setup
# program. Every payload file carries one date, which the install keeps.
payload=$work/payload
mkdir -p "$payload"
cp "$src"/examples/setup/payload/* "$payload/"
cp "$build/apps/uninstall/uninstall.exe" "$payload/uninstall.exe"
members="uninstall.exe example.ini readme.txt licence.txt guide.txt"
for m in $members; do touch -d '2024-05-01 12:34:56' "$payload/$m"; done
(cd "$payload" && wine "$quendel" archive add "$(win "$work/files.1")" $members --id 1 </dev/null >/dev/null) \
  || fail "quendel archive add failed"

product_win='C:\Program Files (x86)\Quendel Example'
product=$(winepath -u "$product_win" 2>/dev/null)
ukey='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quendel Example'
value() { # KEY NAME [VIEW]: the data of a string value, as reg prints it
  wine reg query "$1" /v "$2" ${3:-/reg:32} </dev/null 2>/dev/null | tr -d '\r' \
    | sed -n "s/^ *$2 *REG_SZ *//p"
}
programs_win=$(wine cmd /c 'echo %APPDATA%' </dev/null 2>/dev/null | tr -d '\r')'\Microsoft\Windows\Start Menu\Programs\Quendel Example'
programs=$(winepath -u "$programs_win" 2>/dev/null)
installed_files="example.ini readme.txt Docs/licence.txt Docs/guide.txt Uninstall/uninstall.exe"

run_program() { # PROGRAM [ARGS...]: run under Wine; its exit code in $code
  set +e
  wine "$@" </dev/null
  code=$?
  set -e
}
check_code() { # CODE WHAT LOG: $code must be CODE, else LOG is shown
  [ "$code" -eq "$1" ] || { cat "$3" >&2 || true; fail "$2 ended with $code"; }
}
expect_exit() { # CODE WHAT LOG PROGRAM [ARGS...]: PROGRAM run under Wine must end with CODE
  local want=$1 what=$2 shown=$3
  shift 3
  run_program "$@"
  check_code "$want" "$what" "$shown"
}
run_setup() { # CODE WHAT SETUP [ARGS...]: SETUP run unattended with the log; it must end with CODE
  local want=$1 what=$2 setup=$3
  shift 3
  expect_exit "$want" "$what" "$log" "$setup" "$@" '*q' "*l$(win "$log")"
}
install() { # [SETUP]: an unattended install; its exit code must be 0
  run_setup 0 "good install" "$work/${1:-SignedSetup.exe}" "-s$(win "$work")"
}
continuation_command() { # SETUP WHAT: the continuation SETUP registered under RunOnce, in $command
  command=$(wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce' /v QuendelUnfinished \
    </dev/null | tr -d '\r' | sed -n 's/.*QuendelUnfinished *REG_SZ *//p' | sed 's/\\"/"/g')
  [ -n "$command" ] || fail "no RunOnce value QuendelUnfinished"
  case "$command" in
    \"*"$1"\"\ -r\ \"-s*) ;;
    *) fail "unexpected continuation command$2: $command" ;;
  esac
}
run_continuation() { # WHAT: $command as Windows would split it (no globbing of "*q"); it must end with 0
  set -f
  eval "continuation=($command)"
  set +f
  expect_exit 0 "the continuation$1" "$log" "${continuation[@]}"
}
hold=$build/tests/fixtures/qt_holdfile.exe
hold_file() { # PATH: a helper program keeps PATH open until release_file
  rm -f "$1.held" "$1.release"
  wine "$hold" "$(win "$1")" 120000 </dev/null &
  holder=$!
  for _ in $(seq 200); do [ -f "$1.held" ] && break; sleep 0.1; done
  [ -f "$1.held" ] || fail "the helper could not hold $(basename "$1")"
}
release_file() { # PATH
  touch "$1.release"
  wait "$holder" || true
  rm -f "$1.held" "$1.release"
}

# An unattended good install: exit code 0, the log's lines, no record left;
# every file with its content and date, the shortcuts, the uninstall key's
# values in the 32-bit view.
log=$work/setup.log
# A quiet run makes no window, so it never loads the common controls (their
# start opens the desktop; here only the shortcuts' component objects may).
WINEDEBUG=+loaddll run_program "$work/SignedSetup.exe" "-s$(win "$work")" '*q' "*l$(win "$log")" \
  2>"$work/loaddll.txt"
check_code 0 "good install" "$log"
grep -q 'Loaded .*SignedSetup.exe' "$work/loaddll.txt" || fail "no module trace of the quiet run"
if grep -i 'comctl32' "$work/loaddll.txt"; then fail "the quiet run loaded the common controls"; fi
grep -q ' RUN installation completed' "$log" || fail "log: no completion line"
grep -q ' END exit code 0' "$log" || fail "log: no end line"
grep -qF " FILE $product_win\Docs\guide.txt" "$log" || fail "log: no line for an installed file"
grep -q ' LINK .*Uninstall.lnk' "$log" || fail "log: no line for a shortcut"
if wine reg query 'HKLM\SOFTWARE\Vexo\Install' >/dev/null 2>&1; then fail "the install record stayed"; fi
stamp=$(stat -c %Y "$payload/readme.txt")
for f in $installed_files; do
  [ -f "$product/$f" ] || fail "not installed: $f"
  cmp -s "$product/$f" "$payload/$(basename "$f")" || fail "installed with other content: $f"
  [ "$(stat -c %Y "$product/$f")" -eq "$stamp" ] || fail "installed with another date: $f"
done
for l in "Read me.lnk" "Tools/Uninstall.lnk" "Tools/Documentation.lnk"; do
  [ -f "$programs/$l" ] || fail "no shortcut $l"
done
# The uninstaller's shortcut, as the shell saved it, starts it with the product name.
shown=$(wine "$quendel" link show "$(win "$programs/Tools/Uninstall.lnk")" </dev/null | tr -d '\r')
printf '%s\n' "$shown" | grep -qxF "Target: $product_win\\Uninstall\\uninstall.exe" \
  || fail "the uninstall shortcut's target: $shown"
printf '%s\n' "$shown" | grep -qxF "Arguments: Quendel Example" || fail "the uninstall shortcut's arguments: $shown"
[ "$(value "$ukey" DisplayName)" = "Quendel Example" ] || fail "DisplayName: $(value "$ukey" DisplayName)"
uninstall_string=$(value "$ukey" UninstallString)
[ "$uninstall_string" = "\"$product_win\\Uninstall\\uninstall.exe\" Quendel Example" ] \
  || fail "UninstallString: $uninstall_string"
[ "$(value "$ukey" Publisher)" = "Quendel Example Company" ] || fail "no Publisher"
[ "$(value "$ukey" DisplayVersion)" = "1.0" ] || fail "no DisplayVersion"
[ "$(value "$ukey" Readme)" = "$product_win\\readme.txt" ] || fail "Readme: $(value "$ukey" Readme)"
[ "$(value "$ukey\\Files" Entries)" = "7" ] || fail "the log holds $(value "$ukey\\Files" Entries) entries, not 7"
if wine reg query "$ukey" /reg:64 >/dev/null 2>&1 </dev/null; then fail "the uninstall key is in the 64-bit view"; fi

uninstaller=$(printf '%s' "$uninstall_string" | sed 's/^"\([^"]*\)".*/\1/')
uninstall() { # what Windows runs for "UninstallString", unattended; exit 0
  expect_exit 0 "the uninstall" "$work/uninstall.log" "$uninstaller" '*q' "*l$(win "$work/uninstall.log")" \
    Quendel Example
}

# The uninstall: every installed file, shortcut and empty folder goes, and
# the key; a file the user added stays, and with it its folder.
echo "my notes" >"$product/Docs/notes.txt"
uninstall
for f in $installed_files; do [ ! -e "$product/$f" ] || fail "the uninstall left $f"; done
[ ! -e "$programs" ] || fail "the uninstall left the program folder of the shortcuts"
[ ! -e "$product/Uninstall" ] || fail "the uninstall left its own folder"
[ -f "$product/Docs/notes.txt" ] || fail "the uninstall removed the user's file"
if wine reg query "$ukey" /reg:32 >/dev/null 2>&1 </dev/null; then fail "the uninstall key stayed"; fi
rm -rf "$product"

# Installed twice: the second run appends to the log, and one uninstall
# removes everything, the product's folder included.
install
install
[ "$(value "$ukey\\Files" Entries)" = "14" ] || fail "a second install did not append to the log"
uninstall
[ ! -e "$product" ] || { find "$product" >&2; fail "the uninstall after two installs left the product's folder"; }
[ ! -e "$programs" ] || fail "the uninstall after two installs left the program folder"
if wine reg query "$ukey" /reg:32 >/dev/null 2>&1 </dev/null; then fail "the uninstall key stayed after two installs"; fi

# A bad command line: the start-failure code and the message in the log.
rm -f "$log"
run_setup 4 "a bad argument" "$work/ExampleSetup.exe" -x
grep -q 'ERROR Invalid parameter <-x>' "$log" || fail "log: no invalid-parameter error"

# Without "-s" (not started by the loading program): a bad install (1).
rm -f "$log"
run_setup 1 "a run without -s" "$work/ExampleSetup.exe"
grep -q 'ERROR The path of the loading program was not passed correctly' "$log" \
  || fail "log: no loading-program error"

# A run that needs a restart: exit code 3, the record kept in the 32-bit
# view with the chosen destination, the continuation under HKCU RunOnce
# (Wine never runs HKCU RunOnce itself, so the test runs the command); the
# continuation finishes and removes the record.
sed '/object Install1: TInstall/a\    Reboot = True' "$src/examples/setup/definition.txt" >"$work/reboot.txt"
QUENDEL_KIT=$(win "$runtime_dir") wine "$quendel" make-setup "$(win "$work/reboot.txt")" \
  -o "$(win "$work/RebootSetup.exe")" </dev/null || fail "make-setup (reboot) failed"
rm -f "$log"
run_setup 3 "a run needing a restart" "$work/RebootSetup.exe" "-s$(win "$work")"
wine reg query 'HKLM\SOFTWARE\Vexo\Install\Install0' >/dev/null 2>&1 || fail "no record kept for the restart"
if wine reg query 'HKLM\SOFTWARE\Vexo\Install\Install0' /reg:64 >/dev/null 2>&1; then
  fail "the record is in the 64-bit view"
fi
continuation_command RebootSetup.exe ""
run_continuation ""
grep -q ' RUN installation completed after the restart' "$log" || fail "log: continuation not completed"
if wine reg query 'HKLM\SOFTWARE\Vexo\Install' >/dev/null 2>&1; then fail "the record stayed after the continuation"; fi
# A file in use, in a run in German: the run ends pending a restart (3),
# keeps the record with its language and registers the continuation; after
# the restart ("wineboot -r" moves the waiting file into place) the
# continuation finishes in the language the record holds and removes the
# record. The record is set to French before the continuation (as if the
# language had been chosen during the run), so that the definition's German
# cannot pass for it.
sed '/object MainTranslator: TTranslator/a\    TranslateIntoLanguage = qlGerman' \
  "$src/examples/setup/definition.txt" >"$work/german.txt"
QUENDEL_KIT=$(win "$runtime_dir") wine "$quendel" make-setup "$(win "$work/german.txt")" \
  -o "$(win "$work/GermanSetup.exe")" </dev/null || fail "make-setup (German) failed"
install
echo "the user's old text" >"$product/readme.txt"
hold_file "$product/readme.txt"
wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce' /f >/dev/null 2>&1 </dev/null || true
run_program "$work/GermanSetup.exe" "-s$(win "$work")" '*q' "*l$(win "$log")"
release_file "$product/readme.txt"
check_code 3 "a run with a file in use" "$log"
grep -q ' REBOOT .*readme.txt is in use' "$log" || fail "log: nothing about the file in use"
record='HKLM\SOFTWARE\Vexo\Install\Install0'
saved=$(wine reg query "$record" /v Language /reg:32 </dev/null 2>/dev/null | tr -d '\r' \
  | sed -n 's/^ *Language *REG_DWORD *//p')
[ "$saved" = 0x7 ] || fail "the record keeps the language ${saved:-(none)}, not German (0x7)"
continuation_command GermanSetup.exe " after a file in use"
[ "$(cat "$product/readme.txt")" = "the user's old text" ] || fail "the file in use was replaced before the restart"
wineboot -r >/dev/null 2>&1 </dev/null
cmp -s "$product/readme.txt" "$payload/readme.txt" || fail "the restart did not put the new readme.txt in place"
wine reg add "$record" /v Language /t REG_DWORD /d 6 /f /reg:32 >/dev/null 2>&1 </dev/null \
  || fail "cannot set the record's language"
run_continuation " after a file in use"
grep -q ' RUN continuing after the restart in the language of the first run, qlFrench' "$log" \
  || { cat "$log" >&2; fail "log: the continuation did not take the saved language"; }
if wine reg query 'HKLM\SOFTWARE\Vexo\Install' >/dev/null 2>&1 </dev/null; then fail "the record stayed after the continuation"; fi

# A file of the product in use during the uninstall: the uninstaller removes
# everything else, registers the file (and the directories it keeps from
# being empty) for deletion at the next start of Windows, and says so in its
# exit code (3) and log; after the restart nothing of the product is left.
held=$product/Docs/guide.txt
hold_file "$held"
rm -f "$work/uninstall.log"
run_program "$uninstaller" '*q' "*l$(win "$work/uninstall.log")" Quendel Example
release_file "$held"
check_code 3 "an uninstall with a file in use" "$work/uninstall.log"
grep -qF "In use, deleted at the next start of Windows: $product_win\\Docs\\guide.txt" "$work/uninstall.log" \
  || fail "uninstall log: nothing about the file in use"
grep -q 'removed when Windows starts again' "$work/uninstall.log" || fail "uninstall log: no word of the restart"
tr -d '\r' <"$work/uninstall.log" | grep -qx 'Exit code 3' || fail "uninstall log: no exit code 3"
[ -f "$held" ] || fail "the file in use was deleted before the restart"
for f in $installed_files; do
  [ "$f" = Docs/guide.txt ] || [ ! -e "$product/$f" ] || fail "the uninstall with a file in use left $f"
done
if wine reg query "$ukey" /reg:32 >/dev/null 2>&1 </dev/null; then fail "the uninstall key stayed"; fi
wineboot -r >/dev/null 2>&1 </dev/null
[ ! -e "$held" ] || fail "the restart did not delete the file left in use"
[ ! -e "$product" ] || { find "$product" >&2; fail "the restart left the product's emptied folders"; }

# "-c" after a good install: run from a fresh directory below the temporary
# directory (where the loading program unpacks), the setup program leaves
# that directory to a batch file that removes it once the program has ended;
# run from anywhere else, it removes nothing.
temp=$(winepath -u "$(wine cmd /c 'echo %TEMP%' </dev/null 2>/dev/null | tr -d '\r')" 2>/dev/null)
[ -d "$temp" ] || fail "no temporary directory in the prefix"
unpacked=$temp/quendel-e2e-unpacked
mkdir -p "$unpacked"
cp "$work/SignedSetup.exe" "$unpacked/setup.exe"
rm -f "$log"
run_setup 0 "an install with -c" "$unpacked/setup.exe" "-s$(win "$work")" -c
grep -qF " CLEANUP removing $(win "$unpacked")" "$log" || fail "log: no cleanup line"
for _ in $(seq 150); do [ -e "$unpacked" ] || break; sleep 0.2; done
[ ! -e "$unpacked" ] || { ls -la "$unpacked" >&2; fail "-c left the setup program's directory in the temporary directory"; }
for _ in $(seq 50); do ls "$temp"/*.bat >/dev/null 2>&1 || break; sleep 0.2; done
! ls "$temp"/*.bat >/dev/null 2>&1 || fail "the cleanup batch file stayed: $(ls "$temp"/*.bat)"
outside=$work/downloads
mkdir -p "$outside"
cp "$work/SignedSetup.exe" "$outside/setup.exe"
echo "the user's file" >"$outside/notes.txt"
rm -f "$log"
run_setup 0 "an install with -c outside the temporary directory" "$outside/setup.exe" "-s$(win "$work")" -c
grep -qF " CLEANUP left in place: $(win "$outside")" "$log" || fail "log: no left-in-place line"
sleep 1
[ -f "$outside/setup.exe" ] && [ -f "$outside/notes.txt" ] || fail "-c removed files outside the temporary directory"
# Started by a path that names the temporary directory but leads out of it
# with "..", the program's directory is outside and stays; one whose ".."
# leads back in is inside and goes.
temp_win=$(win "$temp")
climbed=$temp/../Downloads/quendel-e2e-climbed
mkdir -p "$climbed"
cp "$work/SignedSetup.exe" "$climbed/setup.exe"
echo "the user's file" >"$climbed/notes.txt"
rm -f "$log"
run_setup 0 "an install with -c through .. out of the temporary directory" \
  "$temp_win\..\Downloads\quendel-e2e-climbed\setup.exe" "-s$(win "$work")" -c
grep -q " CLEANUP left in place: " "$log" || { cat "$log" >&2; fail "log: no left-in-place line for a path through .."; }
sleep 1
[ -f "$climbed/setup.exe" ] && [ -f "$climbed/notes.txt" ] || fail "-c removed files outside the temporary directory reached through .."
rm -rf "$climbed"
back_in=$temp/quendel-e2e-back-in
mkdir -p "$back_in"
cp "$work/SignedSetup.exe" "$back_in/setup.exe"
rm -f "$log"
run_setup 0 "an install with -c through .. back into the temporary directory" \
  "$temp_win\a\..\quendel-e2e-back-in\setup.exe" "-s$(win "$work")" -c
grep -q " CLEANUP removing " "$log" || { cat "$log" >&2; fail "log: no cleanup line for a path through .. back in"; }
for _ in $(seq 150); do [ -e "$back_in" ] || break; sleep 0.2; done
[ ! -e "$back_in" ] || { ls -la "$back_in" >&2; fail "-c left a directory of the temporary directory named through .."; }

# A damaged archive: a bad install (1) that keeps the record, with the error
# in the log.
mkdir -p "$work/damaged"
cp "$work/SignedSetup.exe" "$work/damaged/"
size=$(stat -c %s "$work/files.1")
head -c $((size * 2 / 3)) "$work/files.1" >"$work/damaged/files.1"
rm -f "$log"
run_setup 1 "a damaged archive" "$work/damaged/SignedSetup.exe" "-s$(win "$work/damaged")"
grep -q ' ERROR ' "$log" || fail "log: no error for the damaged archive"
wine reg query 'HKLM\SOFTWARE\Vexo\Install' /reg:32 >/dev/null 2>&1 </dev/null || fail "a bad install removed the record"

# A destination chosen for the run ("*i", as the destination page sets a
# typed directory) is kept for the continuation after a restart: readme.txt
# is in use, waits for the restart, and only the continuation gives it its
# read-only attribute, in the chosen directory (in the definition's it would
# find no file and end as a bad install).
sed '/object IFreadme_txt: TInstallFile/a\    InstallAttributes = [qfaReadOnly]' \
  "$src/examples/setup/definition.txt" >"$work/chosen.txt"
QUENDEL_KIT=$(win "$runtime_dir") wine "$quendel" make-setup "$(win "$work/chosen.txt")" \
  -o "$(win "$work/ChosenSetup.exe")" </dev/null || fail "make-setup (chosen directory) failed"
chosen_win='C:\Chosen Place\Quendel'
chosen=$(winepath -u "$chosen_win" 2>/dev/null)
rm -rf "$chosen" "$product"
chosen_run() { # the exit code of an unattended run into the chosen directory
  set +e
  wine "$work/ChosenSetup.exe" "-s$(win "$work")" '*q' "*l$(win "$log")" "*i$chosen_win" </dev/null
  local code=$?
  set -e
  return "$code"
}
# The damaged run above kept its record; this product starts afresh.
wine reg delete 'HKLM\SOFTWARE\Vexo\Install' /f /reg:32 >/dev/null 2>&1 </dev/null || true
rm -f "$log"
chosen_run && code=0 || code=$?
[ "$code" -eq 0 ] || { cat "$log" >&2; fail "an install into a chosen directory ended with $code"; }
for f in $installed_files; do [ -f "$chosen/$f" ] || fail "not installed into the chosen directory: $f"; done
[ ! -e "$product" ] || fail "an install into a chosen directory wrote to the definition's"
grep -qF " FILE $chosen_win\readme.txt" "$log" || fail "log: readme.txt not in the chosen directory"
rm -f "$chosen/readme.txt.held" "$chosen/readme.txt.release"
wine "$hold" "$(win "$chosen/readme.txt")" 120000 </dev/null &
holder=$!
for _ in $(seq 200); do [ -f "$chosen/readme.txt.held" ] && break; sleep 0.1; done
[ -f "$chosen/readme.txt.held" ] || fail "the helper could not hold readme.txt in the chosen directory"
wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce' /f >/dev/null 2>&1 </dev/null || true
chosen_run && code=0 || code=$?
touch "$chosen/readme.txt.release"
wait "$holder" || true
rm -f "$chosen/readme.txt.held" "$chosen/readme.txt.release"
[ "$code" -eq 3 ] || { cat "$log" >&2; fail "a run into a chosen directory with a file in use ended with $code"; }
[ "$(value 'HKLM\SOFTWARE\Vexo\Install\Install0\Chosen' Install1.DestDir)" = "$chosen_win" ] \
  || fail "the record does not keep the chosen directory"
command=$(wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce' /v QuendelUnfinished \
  </dev/null | tr -d '\r' | sed -n 's/.*QuendelUnfinished *REG_SZ *//p' | sed 's/\\"/"/g')
case "$command" in
  \"*ChosenSetup.exe\"\ -r\ \"-s*) ;;
  *) fail "unexpected continuation command for the chosen directory: $command" ;;
esac
case "$command" in *'*i'*) fail "the continuation is told the directory on its command line: $command" ;; esac
wineboot -r >/dev/null 2>&1 </dev/null
cmp -s "$chosen/readme.txt" "$payload/readme.txt" || fail "the restart did not put readme.txt in place in the chosen directory"
case "$(stat -c %A "$chosen/readme.txt")" in *w*) ;; *) fail "readme.txt was read-only before the continuation" ;; esac
set -f
eval "continuation=($command)"
set +f
set +e
wine "${continuation[@]}" </dev/null
code=$?
set -e
[ "$code" -eq 0 ] || { cat "$log" >&2; fail "the continuation into the chosen directory ended with $code"; }
grep -q ' RUN installation completed after the restart' "$log" || fail "log: continuation into the chosen directory not completed"
case "$(stat -c %A "$chosen/readme.txt")" in *w*) fail "the continuation did not finish readme.txt in the chosen directory" ;; esac
[ ! -e "$product" ] || fail "the continuation wrote to the definition's directory"
if wine reg query 'HKLM\SOFTWARE\Vexo\Install' >/dev/null 2>&1 </dev/null; then fail "the record stayed after the continuation"; fi
echo "setup program end to end: ok"
