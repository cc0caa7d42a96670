#!/usr/bin/env bash
# The distributables end to end: "quendel build" makes setup.exe on Linux
# (or as quendel.exe under Wine when no native build is beside this one),
# byte-reproducibly; the product's own "-b" under Wine writes the same
# bytes; setup.exe installs unattended in a 64-bit prefix through the
# loading program, which leaves no temporary directory and passes the setup
# program's exit code through; "*TODISK" writes the floppy set onto "a:"
# (a directory) and setup.exe from a: installs from it; a set too big for a
# small "a:" prompts for disk 2 and fails cleanly unattended; a truncated setup.exe
# fails; a failing build
# exits non-zero with its message on standard error.
#   build_wine.sh WIN32_BUILD_DIR [NATIVE_BUILD_DIR]
set -euo pipefail
native=${2:-$1/../native}
. "$(dirname "${BASH_SOURCE[0]}")/wine64.sh"
e2e_begin "$1" build-e2e
# The kit, as scripts/kit lays it out.
e2e_kit "$native"

# A product: two directories of files, read relative to the definition.
product=$work/product
mkdir -p "$product/payload/docs"
seq 1 30000 >"$product/payload/readme.txt"
head -c 300000 /dev/urandom >"$product/payload/data.bin"
printf 'Licence text\r\n' >"$product/payload/docs/licence.txt"
touch -d '2026-01-02 03:04:05' "$product"/payload/*.* "$product"/payload/docs/*
cat >"$product/product.txt" <<'EOF'
object frmMainMenu: TfrmMainMenu
  Caption = 'Build Test'
  object psProgramFiles: TpsProgramFiles
  end
  object psContainerDestDir: TpsContainerDestDir
  end
  object psMainArchiveFile: TpsMainArchiveFile
  end
  object psContainerArchiveFile: TpsContainerArchiveFile
  end
  object Install1: TInstall
    DestDir = '\Build Test'
    DestDirType = psProgramFiles
    ArchiveFileType = psMainArchiveFile
    Information.ProductName = 'Build Test'
  end
  object DocsDir: TInstallDirectory
    Container = Install1
    DestDir = '\Docs'
    DestDirType = psContainerDestDir
    ArchiveFileType = psContainerArchiveFile
  end
  object IFreadme_txt: TInstallFile
    Container = Install1
    DestDirType = psContainerDestDir
    ArchiveFileType = psContainerArchiveFile
    FileName = 'readme.txt'
    DestName = 'readme.txt'
    IncludeFromDir = 'payload'
  end
  object IFdata_bin: TInstallFile
    Container = Install1
    DestDirType = psContainerDestDir
    ArchiveFileType = psContainerArchiveFile
    FileName = 'data.bin'
    DestName = 'data.bin'
    IncludeFromDir = 'payload'
  end
  object IFlicence_txt: TInstallFile
    Container = DocsDir
    DestDirType = psContainerDestDir
    ArchiveFileType = psContainerArchiveFile
    FileName = 'licence.txt'
    DestName = 'licence.txt'
    IncludeFromDir = 'payload\docs'
  end
end
EOF

# Built twice into different directories: the same bytes.
out=$work/out
summary=$(quendel_build "$product/product.txt" "$out") || fail "quendel build failed"
echo "$summary"
grep -q '3 files' <<<"$summary" || fail "summary: $summary"
quendel_build "$product/product.txt" "$work/out2" >/dev/null || fail "second build failed"
cmp "$out/setup.exe" "$work/out2/setup.exe" || fail "two builds differ"

# The product's own "-b" under Wine, beside a BUILD.INF, with the relative
# sources read from the product's directory: the same setup.exe.
printf '%s\r\n' "$(win "$work/bout")" >"$out/BUILD.INF"
set +e
(cd "$product" && QUENDEL_KIT=$(win "$kit") wine "$out/ProductSetup.exe" -b '*q' </dev/null)
code=$?
set -e
[ "$code" -eq 0 ] || fail "ProductSetup.exe -b ended with $code"
cmp "$out/setup.exe" "$work/bout/setup.exe" || fail "-b under Wine and quendel build differ"

# Installed unattended with the conventional switches through the loader.
log=$work/install.log
set +e
wine "$out/setup.exe" /S "/LOG=$(win "$log")" </dev/null
code=$?
set -e
[ "$code" -eq 0 ] || { cat "$log" >&2 || true; fail "setup.exe /S ended with $code"; }
dest="$WINEPREFIX/drive_c/Program Files (x86)/Build Test"
cmp "$dest/readme.txt" "$product/payload/readme.txt" || fail "readme.txt not installed"
cmp "$dest/data.bin" "$product/payload/data.bin" || fail "data.bin not installed"
cmp "$dest/Docs/licence.txt" "$product/payload/docs/licence.txt" || fail "licence.txt not installed"
temp=$(winepath -u "$(wine cmd /c echo %TEMP% </dev/null 2>/dev/null | tr -d '\r')")
if ls -d "$temp"/qnd*.tmp >/dev/null 2>&1; then ls -laR "$temp" >&2; fail "the loader's temporary directory stayed"; fi

# The floppy set: "*TODISK" unattended writes the loader (with a
# "NOTSELFEXTRACT" block), setup.1 and the volume set of files.1 onto "a:",
# here a directory; the insert-disk prompt takes its default answer (OK)
# unattended. A second install from that set, started from a:, installs the
# product completely.
floppy=$work/floppy
mkdir -p "$floppy"
ln -sfn "$floppy" "$WINEPREFIX/dosdevices/a:"
set +e
wine "$out/setup.exe" '*TODISK' /S "/LOG=$(win "$work/todisk.log")" </dev/null
code=$?
set -e
[ "$code" -eq 0 ] || { cat "$work/todisk.log" >&2 || true; fail "setup.exe *TODISK ended with $code"; }
for f in setup.exe setup.1 files.1; do [ -s "$floppy/$f" ] || fail "a:\\$f not written"; done
ls -l "$floppy"
rm -rf "$dest"
set +e
wine 'a:\setup.exe' /S "/LOG=$(win "$work/floppy-install.log")" </dev/null
code=$?
set -e
[ "$code" -eq 0 ] || { cat "$work/floppy-install.log" >&2 || true; fail "setup.exe from a: ended with $code"; }
cmp "$dest/readme.txt" "$product/payload/readme.txt" || fail "readme.txt not installed from a:"
cmp "$dest/data.bin" "$product/payload/data.bin" || fail "data.bin not installed from a:"
cmp "$dest/Docs/licence.txt" "$product/payload/docs/licence.txt" || fail "licence.txt not installed from a:"

# A set that does not fit one disk: "a:" on a tmpfs that holds setup.exe,
# setup.1 and half of files.1 (sized from the set just written) takes them
# and part of files.1; the volume set goes on in "files.2" after the
# insert-disk prompt, which unattended takes its default answer (OK). No
# second disk can come, so the transfer must end with the full-disk error and
# a non-zero code rather than hang or report success. Needs a private mount
# namespace (root); the wineserver runs inside it and the mount ends with it.
if unshare -m true 2>/dev/null; then
  # winepath starts a server too: the paths are made before it is stopped.
  spanlog=$(win "$work/span.log")
  wineserver -k 2>/dev/null || true
  wineserver -w
  mkdir -p "$work/small"
  small_k=$(( ($(stat -c %s "$floppy/setup.exe") + $(stat -c %s "$floppy/setup.1") \
    + $(stat -c %s "$floppy/files.1") / 2) / 1024 ))
  set +e
  unshare -m bash -c '
    mount -t tmpfs -o size=${5}k tmpfs "$1" || exit 99
    ln -sfn "$1" "$WINEPREFIX/dosdevices/a:"
    timeout 120 wine "$2" "*TODISK" /S "/LOG=$3" </dev/null; code=$?
    ls "$1" >"$4"
    wineserver -k; wineserver -w
    exit $code' span "$work/small" "$out/setup.exe" "$spanlog" "$work/span.ls" "$small_k"
  code=$?
  set -e
  [ "$code" -ne 99 ] || fail "cannot mount the small disk"
  cat "$work/span.log" >&2 || true
  [ "$code" -ne 0 ] || fail "a transfer that needs a second disk ended with 0"
  [ "$code" -ne 124 ] || fail "a transfer that needs a second disk hung"
  grep -q 'Please insert disk 2 -> OK' "$work/span.log" || fail "no prompt for disk 2"
  [ "$(grep -c 'ERROR There is too little space' "$work/span.log")" -eq 1 ] \
    || fail "the full-disk error is not logged exactly once"
  grep -qx files.2 "$work/span.ls" || fail "the volume set did not go on in files.2"
  ln -sfn "$floppy" "$WINEPREFIX/dosdevices/a:"
  wineserver -p
else
  echo "skipped the two-disk transfer: no private mount namespace"
fi

# Signed (a throwaway self-signed certificate), a product that packs the
# uninstaller: the signatures of setup.exe, of the setup program and of the
# installed uninstaller verify, the loading program still finds its block
# before the certificate table, the signed uninstaller removes the product,
# and the author's uninstaller stays unsigned.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Quendel Test" \
  -keyout "$work/key.pem" -out "$work/cert.pem" >/dev/null 2>&1
cp "$kit/uninstall.exe" "$product/uninstall.exe"
{
  sed '$d' "$product/product.txt"
  cat <<'EOF'
  object UninstallDir: TInstallDirectory
    Container = Install1
    DestDir = '\Uninstall'
    DestDirType = psContainerDestDir
    ArchiveFileType = psContainerArchiveFile
  end
  object Uninstaller: TUninstallEXE
    Container = UninstallDir
    DestDirType = psContainerDestDir
    ArchiveFileType = psContainerArchiveFile
    FileName = 'uninstall.exe'
    UniqueID = 9
    DestName = 'uninstall.exe'
    Order = -1
  end
end
EOF
} >"$product/signed.txt"
if [ "$quendel_native" = 0 ]; then
  # quendel.exe cannot run osslsigncode: it must say so and fail, not build
  # an unsigned setup.exe.
  set +e
  quendel_build "$product/signed.txt" "$work/signed" --sign "$work/cert.pem" "$work/key.pem" \
    >/dev/null 2>"$work/sign.err"
  code=$?
  set -e
  [ "$code" -ne 0 ] || fail "quendel.exe build --sign succeeded without signing"
  grep -q "osslsigncode" "$work/sign.err" || fail "quendel.exe build --sign did not say why it failed"
  [ ! -e "$work/signed/setup.exe" ] || fail "quendel.exe build --sign left an unsigned setup.exe"
else
quendel_build "$product/signed.txt" "$work/signed" --sign "$work/cert.pem" "$work/key.pem" >/dev/null \
  || fail "quendel build --sign failed"
for f in setup.exe ProductSetup.exe; do
  osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed/$f" >/dev/null \
    || fail "the signature of $f does not verify"
done
cmp "$product/uninstall.exe" "$kit/uninstall.exe" || fail "the build changed the author's uninstaller"
rm -rf "$dest"
set +e
wine "$work/signed/setup.exe" /S </dev/null
code=$?
set -e
[ "$code" -eq 0 ] || fail "the signed setup.exe ended with $code"
cmp "$dest/data.bin" "$product/payload/data.bin" || fail "the signed setup.exe installed nothing"
osslsigncode verify -CAfile "$work/cert.pem" -in "$dest/Uninstall/uninstall.exe" >/dev/null \
  || fail "the installed uninstaller is not signed"
set +e
wine "$dest/Uninstall/uninstall.exe" '*q' "*l$(win "$work/uninstall.log")" Build Test </dev/null
code=$?
set -e
[ "$code" -eq 0 ] || { cat "$work/uninstall.log" >&2 || true; fail "the signed uninstaller ended with $code"; }
[ ! -e "$dest/data.bin" ] || fail "the signed uninstaller left data.bin"
rm -rf "$dest"
fi

# The setup program's exit code comes through: a failing run (its record's
# registry key made unwritable is not available under Wine, so: an unknown
# switch, which the setup program refuses with 4).
set +e
wine "$out/setup.exe" /S -x </dev/null
code=$?
set -e
[ "$code" -eq 4 ] || fail "setup.exe with a bad switch ended with $code, not the setup program's 4"

# A truncated setup.exe: the loader refuses it with its damaged-file code.
head -c $(( $(stat -c %s "$out/setup.exe") - 1000 )) "$out/setup.exe" >"$work/truncated.exe"
set +e
wine "$work/truncated.exe" /S </dev/null
code=$?
set -e
[ "$code" -ne 0 ] || fail "a truncated setup.exe ended with 0"

# A failing build: non-zero, the message on standard error, naming the file.
sed 's/data.bin/missing.bin/g' "$product/product.txt" >"$product/broken.txt"
set +e
err=$(quendel_build "$product/broken.txt" "$work/broken" 2>&1 >/dev/null)
code=$?
set -e
[ "$code" -ne 0 ] || fail "a build with a missing file ended with 0"
grep -q 'missing.bin' <<<"$err" || fail "the build's error does not name the file: $err"

echo "build end to end: ok"
