#!/usr/bin/env bash
# The sample product's wizard as a user meets it: setup.exe built on Linux by
# "quendel build", run under Wine (64-bit prefix) on an X screen of its own,
# and walked from outside by tests/wizard/wizard_driver.exe:
#   - in English: licence accepted, a destination with spaces typed, an
#     existing Start-menu folder picked, the copy's progress bars watched,
#     Finish; the files in the typed destination, the shortcuts in the picked
#     folder, the uninstall key in the 32-bit view pointing there;
#   - in German (a German user: the translator's default target), the same
#     walk with the German texts, and a cancel during the copy that the user
#     takes back;
#   - the licence declined, and a cancel during the copy confirmed: each ends
#     as a user abort (bad-install page, exit code 2, install record removed,
#     nothing of the user's removed);
#   - no desktop at all (no X display, not quiet): exit code 4 at once, the
#     reason in the log, nothing installed.
# Screenshots of every page stay under SHOTS_DIR/<language>; two are compared
# with tests/wizard/reference (UPDATE_REFS=1 writes them afresh).
#   wizard_wine.sh WIN32_BUILD_DIR SOURCE_DIR NATIVE_BUILD_DIR SHOTS_DIR
set -euo pipefail
src=$(cd "$2" && pwd)
native=$3
shots=$4
. "$(dirname "${BASH_SOURCE[0]}")/wine64.sh"
e2e_begin "$1" wizard-e2e
e2e_kit "$native"
driver=$build/tests/wizard/wizard_driver.exe
[ -f "$driver" ] || fail "no wizard_driver.exe in the build"
rm -rf "$shots"
mkdir -p "$shots"

# An X screen of our own: Xvfb picks a free display number and says which.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
e2e_on_exit "kill $xvfb"
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; fail "Xvfb did not start"; }
export DISPLAY=:$(head -n1 "$work/display")
# No window manager: Wine's own desktop window gives the windows their frames
# and captions, as a user sees them.
wineserver -k
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 </dev/null
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1 </dev/null
wineserver -w
wineserver -p
wine cmd /c exit >/dev/null 2>&1 </dev/null

# The product: the sample's definition and payload, with one larger file so
# that the copy lasts long enough to be watched and cancelled.
product_src=$work/product
mkdir -p "$product_src"
cp "$src"/examples/setup/payload/* "$kit/uninstall.exe" "$product_src/"
head -c 6000000 /dev/urandom >"$product_src/media.bin"
sed '/^  object DocsDir: TInstallDirectory/i\
  object IFmedia_bin: TInstallFile\
    Container = AppDir\
    DestDirType = psContainerDestDir\
    ArchiveFileType = psContainerArchiveFile\
    FileName = '"'media.bin'"'\
    UniqueID = 6\
    DestName = '"'media.bin'"'\
  end' "$src/examples/setup/definition.txt" >"$product_src/definition.txt"
grep -q IFmedia_bin "$product_src/definition.txt" || fail "cannot add the large file to the definition"
quendel_build "$product_src/definition.txt" "$work/dist" --title "Quendel Example Install" >/dev/null \
  || fail "quendel build failed"
[ -f "$work/dist/setup.exe" ] || fail "quendel build made no setup.exe"

has() { grep -q "^  object [A-Za-z0-9_]*: $1\$" "$product_src/definition.txt"; }
for page in TWelcomeDlg TLicenseDlg TSelectDestinationDlg TSelectFolderDlg TCopyFileDlg TGoodInstallationDlg \
  TBadInstallationDlg; do
  has "$page" || fail "the example's wizard has no $page"
done

programs_win=$(wine cmd /c 'echo %APPDATA%' </dev/null 2>/dev/null | tr -d '\r')'\Microsoft\Windows\Start Menu\Programs'
programs=$(winepath -u "$programs_win" 2>/dev/null)
# Two folders of other products; the walk picks one.
mkdir -p "$programs/Quendel Tools" "$programs/Other Company"
ukey='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quendel Example'
value() { # KEY NAME: a string value in the 32-bit view
  wine reg query "$1" /v "$2" /reg:32 </dev/null 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_SZ *//p"
}
record_gone() { ! wine reg query 'HKLM\SOFTWARE\Vexo\Install' /reg:32 >/dev/null 2>&1 </dev/null; }

# One run of setup.exe with the wizard, walked by the driver; LANG_ENV is the
# user's locale. Sets $code (setup.exe's exit code) and keeps the driver's
# report in $work/NAME.walk.
walk() { # NAME LOCALE STEP...
  local name=$1 locale=$2
  shift 2
  local dir=$shots/$name
  mkdir -p "$dir"
  local start=$SECONDS
  LC_ALL=$locale wine "$work/dist/setup.exe" </dev/null >"$work/$name.setup.out" 2>&1 &
  local setup=$!
  set +e
  LC_ALL=$locale wine "$driver" --timeout 60 --shots "$(win "$dir")" "$@" </dev/null >"$work/$name.walk" 2>&1
  local driven=$?
  # A walk that stopped leaves the program waiting for a user: end it.
  [ "$driven" -eq 0 ] || wineserver -k
  wait "$setup"
  code=$?
  set -e
  for b in "$dir"/*.bmp; do
    [ -e "$b" ] || continue
    convert "$b" "${b%.bmp}.png" && rm -f "$b"
  done
  echo "walk $name: driver $driven, setup.exe $code, $((SECONDS - start)) s"
  if [ "$driven" -ne 0 ]; then
    cat "$work/$name.walk" >&2
    fail "the $name walk stopped (screenshots in $dir)"
  fi
}

# The pages of the walk in one language: TEXTS is an associative array of
# the captions and button texts.
steps_to_copy() { # NAME_OF_TEXTS DESTINATION FOLDER
  local -n t=$1
  steps=()
  if has TWelcomeDlg; then
    steps+=("page=${t[welcome]}" shot=welcome "click=${t[next]}")
  fi
  if has TLicenseDlg; then
    steps+=("page=${t[licence]}" "memo=${t[licence_text]}" shot=licence "click=${t[accept]}")
  fi
  if has TSelectDestinationDlg; then
    steps+=("page=${t[destination]}" 'edit=C:\Program Files (x86)\Quendel Example' "type=$2" shot=destination
      "click=${t[next]}")
  fi
  if has TSelectFolderDlg; then
    steps+=("page=${t[folder]}" items=2 "select=$3" "edit=$3" shot=folder "click=${t[next]}")
  fi
}

declare -A en=(
  [welcome]="Welcome" [licence]="Software license agreement" [destination]="Choose Destination Location"
  [folder]="Select folder in start menu" [copy]="Copying installation files" [good]="Setup complete"
  [bad]="Setup incomplete" [next]="Next >" [accept]="Accept >" [cancel]="Cancel" [finish]="Finish"
  [licence_text]="QUENDEL EXAMPLE SOFTWARE LICENCE"
)
declare -A de=(
  [welcome]="Willkommen" [licence]="Software-Lizenzvereinbarung" [destination]="Zielverzeichnis wählen"
  [folder]="Ordner im Startmenü wählen" [copy]="Installationsdateien werden kopiert" [good]="Setup abgeschlossen"
  [bad]="Setup unvollständig" [next]="Weiter >" [accept]="Annehmen >" [cancel]="Abbrechen"
  [finish]="Fertig stellen" [licence_text]="QUENDEL EXAMPLE SOFTWARE LICENCE"
)

finish_steps() { # NAME_OF_TEXTS
  local -n t=$1
  if has TCopyFileDlg; then steps+=("progress=${t[copy]}"); fi
  if has TGoodInstallationDlg; then
    steps+=("page=${t[good]}" "nobutton=${t[cancel]}" shot=complete "click=${t[finish]}")
  fi
  steps+=(gone)
}

check_installed() { # DESTINATION_WIN FOLDER
  local dest
  dest=$(winepath -u "$1" 2>/dev/null)
  for f in example.ini readme.txt media.bin Docs/licence.txt Docs/guide.txt Uninstall/uninstall.exe; do
    [ -f "$dest/$f" ] || fail "not installed in the typed destination: $f"
  done
  cmp -s "$dest/media.bin" "$product_src/media.bin" || fail "media.bin installed with other content"
  if has TSelectDestinationDlg; then
    [ ! -e "$(winepath -u 'C:\Program Files (x86)\Quendel Example' 2>/dev/null)" ] \
      || fail "files went to the default destination as well"
  fi
  for l in "Read me.lnk" "Tools/Uninstall.lnk" "Tools/Documentation.lnk"; do
    [ -f "$programs/$2/$l" ] || fail "no shortcut $2/$l"
  done
  [ "$(value "$ukey" UninstallString)" = "\"$1\\Uninstall\\uninstall.exe\" Quendel Example" ] \
    || fail "UninstallString: $(value "$ukey" UninstallString)"
  record_gone || fail "the install record stayed after a good install"
}

uninstall_product() { # DESTINATION_WIN: the uninstaller leaves nothing of it
  set +e
  wine "$(winepath -u "$1\\Uninstall\\uninstall.exe")" '*q' Quendel Example </dev/null
  local c=$?
  set -e
  [ "$c" -eq 0 ] || fail "the uninstall ended with $c"
  [ ! -e "$(winepath -u "$1" 2>/dev/null)" ] || fail "the uninstall left $1"
}

# Compares a screenshot with its reference image, allowing for font
# rendering noise: at most 1% of the pixels may differ by more than 12%.
compare_ref() { # NAME PNG
  local ref=$src/tests/wizard/reference/$1.png
  if [ "${UPDATE_REFS:-}" = 1 ]; then
    cp "$2" "$ref"
    echo "reference $1 written from $2"
    return
  fi
  [ -f "$ref" ] || fail "no reference image $ref (UPDATE_REFS=1 writes it)"
  local size ae
  size=$(identify -format '%w %h' "$2")
  [ "$size" = "$(identify -format '%w %h' "$ref")" ] || fail "$1 is ${size/ /x}, its reference is not"
  ae=$(compare -metric AE -fuzz 12% "$ref" "$2" "${2%.png}.diff.png" 2>&1 || true)
  [[ "$ae" =~ ^[0-9]+$ ]] || fail "cannot compare $1 with its reference: $ae"
  local allowed=$(( ${size% *} * ${size#* } / 100 ))
  echo "reference $1: $ae pixels differ (at most $allowed)"
  [ "$ae" -le "$allowed" ] || fail "$1 differs from its reference in $ae pixels (see ${2%.png}.diff.png)"
}

# English: the whole walk.
dest_en='C:\Quendel Walk\Example Product'
folder_en="Quendel Tools"
has TSelectDestinationDlg || dest_en='C:\Program Files (x86)\Quendel Example'
has TSelectFolderDlg || folder_en="Quendel Example"
# The other product's shortcut in the folder the walk picks must stay.
echo "not a real shortcut" >"$programs/Quendel Tools/Other tool.lnk"
steps_to_copy en "$dest_en" "$folder_en"
finish_steps en
walk en en_US.UTF-8 "${steps[@]}"
[ "$code" -eq 0 ] || { cat "$work/en.walk" >&2; fail "the English walk ended with $code"; }
check_installed "$dest_en" "$folder_en"
uninstall_product "$dest_en"
[ -f "$programs/Quendel Tools/Other tool.lnk" ] || fail "the uninstall removed another product's shortcut"
if has TWelcomeDlg; then compare_ref welcome_en "$shots/en/welcome.png"; fi

# German: the same walk with the German texts; a cancel during the copy is
# taken back and the copy goes on.
dest_de='C:\Quendel Walk\Beispiel Produkt'
has TSelectDestinationDlg || dest_de='C:\Program Files (x86)\Quendel Example'
steps_to_copy de "$dest_de" "$folder_en"
if has TCopyFileDlg; then steps+=("page=${de[copy]}" "click=${de[cancel]}" box=7); fi
finish_steps de
walk de de_DE.UTF-8 "${steps[@]}"
[ "$code" -eq 0 ] || { cat "$work/de.walk" >&2; fail "the German walk ended with $code"; }
check_installed "$dest_de" "$folder_en"
uninstall_product "$dest_de"
if has TLicenseDlg; then compare_ref licence_de "$shots/de/licence.png"; fi

# The bad-install page, then the program's end as a user abort.
abort_steps() { # NAME_OF_TEXTS
  local -n t=$1
  if has TBadInstallationDlg; then
    steps+=("page=${t[bad]}" "nobutton=${t[cancel]}" shot=incomplete "click=${t[finish]}")
  fi
  steps+=(gone)
}
check_user_abort() { # NAME: exit code 2, no record left
  [ "$code" -eq 2 ] || { cat "$work/$1.walk" >&2; fail "the $1 run ended with $code, not 2"; }
  record_gone || fail "the $1 run left the install record"
}

# The licence declined: nothing installed.
if has TLicenseDlg; then
  steps=()
  if has TWelcomeDlg; then steps+=("page=${en[welcome]}" "click=${en[next]}"); fi
  steps+=("page=${en[licence]}" "click=${en[cancel]}" box=6)
  abort_steps en
  walk declined en_US.UTF-8 "${steps[@]}"
  check_user_abort declined
  [ ! -e "$(winepath -u 'C:\Program Files (x86)\Quendel Example' 2>/dev/null)" ] \
    || fail "a declined licence installed files"
  if wine reg query "$ukey" /reg:32 >/dev/null 2>&1 </dev/null; then fail "a declined licence registered the product"; fi
fi

# A cancel during the copy, confirmed: the user's own file in the destination
# stays, the copy stops before the end, no shortcut is made.
if has TCopyFileDlg; then
  # The default destination, where the unattended install below goes too.
  dest_cancel='C:\Program Files (x86)\Quendel Example'
  cancel_dir=$(winepath -u "$dest_cancel" 2>/dev/null)
  mkdir -p "$cancel_dir"
  echo "the user's notes" >"$cancel_dir/notes.txt"
  steps_to_copy en "$dest_cancel" "$folder_en"
  steps+=("page=${en[copy]}" "click=${en[cancel]}" box=6)
  abort_steps en
  walk cancelled en_US.UTF-8 "${steps[@]}"
  check_user_abort cancelled
  [ "$(cat "$cancel_dir/notes.txt")" = "the user's notes" ] || fail "the cancelled run touched the user's file"
  [ ! -f "$programs/$folder_en/Read me.lnk" ] || fail "the cancelled run made shortcuts"
  if cmp -s "$cancel_dir/media.bin" "$product_src/media.bin"; then fail "the copy went on to the end after the cancel"; fi
  # Nothing lists the product as installed; what was copied stays until an
  # install runs to its end, whose uninstall then removes it too.
  [ -z "$(value "$ukey" UninstallString)" ] || fail "a cancelled install is listed as installed"
  set +e
  wine "$work/dist/setup.exe" /S </dev/null
  c=$?
  set -e
  [ "$c" -eq 0 ] || fail "the install after a cancelled one ended with $c"
  set +e
  wine "$cancel_dir/Uninstall/uninstall.exe" '*q' Quendel Example </dev/null
  c=$?
  set -e
  [ "$c" -eq 0 ] || fail "the uninstall after a cancelled copy ended with $c"
  [ ! -e "$cancel_dir/Docs" ] && [ ! -e "$cancel_dir/media.bin" ] || fail "the uninstall left copied files"
  [ -f "$cancel_dir/notes.txt" ] || fail "the uninstall after a cancelled copy removed the user's file"
fi

# No desktop at all (no X display): a run that is not quiet cannot show its
# wizard. It ends at once with its reason in the log and exit code 4, having
# installed nothing; it never waits for a user nor reports success.
wineserver -k
wineserver -w
unset DISPLAY
headless_dest=$(winepath -u 'C:\Program Files (x86)\Quendel Example' 2>/dev/null)
rm -rf "$headless_dest"
# (Every run opens the records' key, creating it empty; a record is a subkey.)
records() { wine reg query 'HKLM\SOFTWARE\Vexo\Install' /s /reg:32 </dev/null 2>/dev/null | tr -d '\r' | grep -i 'Install\\' || true; }
records_before=$(records)
set +e
timeout 60 wine "$work/dist/setup.exe" "*l$(win "$work/nodesktop.log")" </dev/null \
  >"$work/nodesktop.out" 2>&1
c=$?
set -e
[ "$c" -ne 124 ] || fail "without a desktop the setup program hung"
[ "$c" -eq 4 ] || { cat "$work/nodesktop.out" "$work/nodesktop.log" >&2 || true; fail "without a desktop the setup program ended with $c, not 4"; }
grep -q "ERROR.*cannot open its window.*no desktop" "$work/nodesktop.log" \
  || { cat "$work/nodesktop.log" >&2; fail "without a desktop the log does not say why the run ended"; }
[ ! -e "$headless_dest" ] || fail "without a desktop the setup program installed files"
[ "$(records)" = "$records_before" ] || fail "without a desktop the setup program changed the install records"

echo "wizard under Wine: ok ($SECONDS s)"
