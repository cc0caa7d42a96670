#!/usr/bin/env bash
# A web or net distribution end to end under Wine, as an author and a user
# meet it: the product's setup program made with "quendel make-setup", built
# with "-b" into setup.exe and a net folder, the net folder put on the server
# (nginx for the web distribution, the FTP server for the net one, where
# app.dat, not a net file, stays in setup.exe; both started by
# with_servers.sh, which runs this script), then "setup.exe /S" installs through Wine's WinInet. The first install finds one archive missing on the
# server: a bad install that keeps the archive it did download and its record;
# the second, with the server fixed and the kept archive gone from it, uses
# the kept copy and ends good, removing record and copy.
#   with_servers.sh WORKDIR bash web_wine.sh WIN32_BUILD_DIR web|net
set -euo pipefail
build=$(cd "$1" && pwd)
kind=${2:?web or net}
: "${QUENDEL_NET_ROOT:?run through with_servers.sh}"
export WINEPREFIX=${QUENDEL_WINEPREFIX:-$build/../wineprefix} WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
work=$(mktemp -d "$build/web-e2e.XXXXXX")
served=$QUENDEL_NET_ROOT/product
app="$WINEPREFIX/drive_c/Program Files/Web App"
cleanup() {
  wine reg delete 'HKLM\SOFTWARE\Vexo\Install' /f >/dev/null 2>&1 </dev/null || true
  rm -rf "$work" "$served" "$app"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  [ -f "$work/setup.log" ] && cat "$work/setup.log" >&2
  exit 1
}
win() { winepath -w "$1" 2>/dev/null; }
[ -d "$WINEPREFIX" ] || fail "no Wine prefix at $WINEPREFIX (scripts/test makes it)"
# No record of an earlier run may match this one.
wine reg delete 'HKLM\SOFTWARE\Vexo\Install' /f >/dev/null 2>&1 </dev/null || true

# The kit and the product's files.
mkdir -p "$work/kit" "$work/src" "$work/author"
cp "$build/apps/setup/quendel-setup.exe" "$build/apps/loader/QuendelLoadProgram.exe" "$work/kit/"
printf 'Quendel Setup kit\r\n' >"$work/kit/Q32V52.TXT"
printf 'Read me first.\r\n' >"$work/src/readme.txt"
head -c 300000 /dev/urandom >"$work/src/app.dat"
printf 'Help.\r\n' >"$work/src/help.txt"
srcw=$(win "$work/src")

if [ "$kind" = web ]; then
  location="    LoginInformation.Hostname = '127.0.0.1:$QUENDEL_HTTP_PORT'"
  distribution=dtWeb
else
  location="    LoginInformation.Hostname = '127.0.0.1:$QUENDEL_FTP_PORT'
    LoginInformation.Protocol = ipFTP"
  distribution=dtTraditionalNet
fi
file() { # name container file net
  printf '  object %s: TInstallFile\n    Container = %s\n    ArchiveFileType = psContainerArchiveFile\n' "$1" "$2"
  printf '    Net = %s\n' "$4"
  printf '    DestDirType = psContainerDestDir\n    FileName = %s\n    DestName = %s\n' "'$3'" "'$3'"
  printf "    IncludeFromDir = '%s'\n  end\n" "$srcw"
}
{
  printf "object frmMainMenu: TfrmMainMenu\n  Caption = 'Web Install'\n"
  printf '  object psProgramFiles: TpsProgramFiles\n  end\n'
  printf '  object psContainerArchiveFile: TpsContainerArchiveFile\n  end\n'
  printf '  object psMainArchiveFile: TpsMainArchiveFile\n  end\n'
  printf '  object psContainerDestDir: TpsContainerDestDir\n  end\n'
  printf '  object Net1: TNetInstallLocation\n%s\n' "$location"
  printf "    LoginInformation.Directory = 'product'\n  end\n"
  printf "  object Install1: TInstall\n    DestDir = '\\\\Web App'\n    DestDirType = psProgramFiles\n"
  printf '    ArchiveFileType = psMainArchiveFile\n'
  printf '    DistributeType = %s\n    NetLocation = Net1\n    NoUninstall = True\n  end\n' "$distribution"
  file File1 Install1 readme.txt True
  file File2 Install1 app.dat False
  printf "  object Directory1: TInstallDirectory\n    Container = Install1\n"
  printf "    ArchiveFileType = psContainerArchiveFile\n    DestDir = '\\\\Help'\n"
  printf '    DestDirType = psContainerDestDir\n  end\n'
  file File3 Directory1 help.txt True
  printf 'end\n'
} >"$work/definition.txt"

QUENDEL_KIT=$(win "$work/kit") wine "$build/apps/quendel/quendel.exe" make-setup \
  "$(win "$work/definition.txt")" -o "$(win "$work/author/WebSetup.exe")" --title "Web Install" </dev/null \
  || fail "make-setup failed"
printf '%s\r\n' "$(win "$work/out")" >"$work/author/BUILD.INF"
(cd "$work/author" && QUENDEL_KIT=$(win "$work/kit") wine WebSetup.exe -b '*q' "*l$(win "$work/build.log")" </dev/null) \
  || { cat "$work/build.log" >&2; fail "the $kind build failed"; }
list=$(find "$work/out" -name filelist.lst | head -n1)
[ -n "$list" ] || fail "the build wrote no filelist.lst"
[ -f "$work/out/setup.exe" ] || fail "the build wrote no setup.exe"
mkdir -p "$served"
cp "$(dirname "$list")"/* "$served/"
for f in filelist.lst Install1.1 Directory1.1; do [ -f "$served/$f" ] || fail "the net folder has no $f"; done

install() { # expected exit code
  rm -f "$work/setup.log"
  set +e
  wine "$work/out/setup.exe" /S "/LOG=$(win "$work/setup.log")" </dev/null
  local code=$?
  set -e
  [ "$code" -eq "$1" ] || fail "setup.exe /S ended with $code, not $1"
}

# Directories come before files: Directory1.1 arrives, then Install1.1 is
# missing (404): a bad install that keeps Directory1's copy and its record.
mv "$served/Install1.1" "$work/Install1.1"
install 1
# HTTP's 404 is the not-found error; FTP's 550 fails the opening of the file.
missing='Could not find the file Install1.1 on the server'
[ "$kind" = net ] && missing='Cannot open file Install1.1 on server'
grep -q "$missing" "$work/setup.log" || fail "log: no error for the missing archive"
copy=$(wine reg query 'HKLM\SOFTWARE\Vexo\Install\Install0\Directory1' /v LocalFile </dev/null 2>/dev/null \
  | tr -d '\r' | sed -n 's/.*LocalFile *REG_SZ *//p')
[ -n "$copy" ] || fail "no LocalFile recorded for Directory1"
copyu=$(winepath -u "$copy" 2>/dev/null)
cmp -s "$copyu" "$served/Directory1.1" || fail "the recorded copy is not Directory1.1"

# The server gets Install1.1 and loses Directory1.1: only the kept copy can
# serve Directory1 now.
mv "$work/Install1.1" "$served/Install1.1"
rm "$served/Directory1.1"
install 0
cmp -s "$app/readme.txt" "$work/src/readme.txt" || fail "readme.txt not installed"
cmp -s "$app/app.dat" "$work/src/app.dat" || fail "app.dat not installed"
cmp -s "$app/Help/help.txt" "$work/src/help.txt" || fail "help.txt not installed"
[ ! -e "$copyu" ] || fail "the downloaded copy stayed after a good install"
if wine reg query 'HKLM\SOFTWARE\Vexo\Install\Install0' >/dev/null 2>&1 </dev/null; then
  fail "the install record stayed"
fi
echo "$kind distribution under Wine: ok"
