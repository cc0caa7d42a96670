#!/usr/bin/env bash
# Web and net distributions end to end under Wine, as an author and a user
# meet them: "quendel build" makes setup.exe and the net folder, the net
# folder goes on a server, "setup.exe /S" installs through Wine's WinInet.
#
# - A web build served by nginx and a net build served by the FTP server
#   (where app.dat, not a net file, stays in setup.exe): the first install
#   finds one archive missing on the server, a bad install that keeps the
#   archive it did download as a "bat" temporary file named as a first
#   volume, recorded as "LocalFile" under the install record; the second,
#   with the server fixed and the kept archive gone from it, uses the kept
#   copy and ends good, removing record and copy. The web build's first file
#   is named so that the remote file list carries "404" among its first 30
#   bytes: a real file with such bytes downloads like any other.
# - A web build served by the misbehaving server (tests/net/servers/
#   bad_http.py, switched between runs): a 404, a 500, a body cut short, a
#   wrong SHA-256, a server that says nothing and a server that dies in the
#   middle of a transfer each end as a bad install (exit code 1, the error
#   in the log), storing no partial file and recording nothing for the
#   failed archive, with the user's own files in the product's directory
#   untouched and a good copy made before the failure kept for the next run.
# - HTTPS: untrusted, the download is refused; trusted, it installs. Wine's
#   chain engine takes its roots from the host's certificate bundle, so the
#   throwaway certificate is made trusted by a bundle bound over the host's
#   inside a private mount namespace (root only), in a prefix of its own
#   whose wineserver starts there; nothing outside the namespace changes.
#
#   with_servers.sh WORKDIR bash net_wine.sh WIN32_BUILD_DIR [NATIVE_BUILD_DIR]
set -euo pipefail
native=${2:-$1/../native}
: "${QUENDEL_NET_ROOT:?run through tests/net/with_servers.sh}"
. "$(dirname "${BASH_SOURCE[0]}")/wine64.sh"
e2e_begin "$1" net-e2e
e2e_kit "$native"
served=$QUENDEL_NET_ROOT/product
switched=$QUENDEL_NET_ROOT/switch
e2e_on_exit 'rm -rf "$served" "$switched" "$QUENDEL_NET_ROOT/switch.mode"'
app="$WINEPREFIX/drive_c/Program Files (x86)/Web App"
record='HKLM\SOFTWARE\Vexo\Install'
temp=$(winepath -u "$(wine cmd /c echo %TEMP% </dev/null 2>/dev/null | tr -d '\r')")
[ -d "$temp" ] || fail "no temporary directory in the prefix"

# The product's files.
src=$work/src
mkdir -p "$src"
printf 'Read me first.\r\n' >"$src/readme.txt"
head -c 300000 /dev/urandom >"$src/app.dat"
printf 'Help.\r\n' >"$src/help.txt"

# definition NAME HOSTNAME DISTRIBUTION [LOCATION LINES]: the product with
# readme.txt and app.dat in the root's archive, help.txt in Directory1's.
definition() {
  local name=$1 host=$2 dist=$3 extra=${4:-}
  local def=$work/$name.txt
  file() { # object container file net
    printf '  object %s: TInstallFile\n    Container = %s\n    ArchiveFileType = psContainerArchiveFile\n' "$1" "$2"
    printf '    Net = %s\n    DestDirType = psContainerDestDir\n' "$4"
    printf "    FileName = '%s'\n    DestName = '%s'\n    IncludeFromDir = '%s'\n  end\n" "$3" "$3" "$(win "$src")"
  }
  {
    printf "object frmMainMenu: TfrmMainMenu\n  Caption = 'Web Install'\n"
    printf '  object psProgramFiles: TpsProgramFiles\n  end\n'
    printf '  object psContainerArchiveFile: TpsContainerArchiveFile\n  end\n'
    printf '  object psMainArchiveFile: TpsMainArchiveFile\n  end\n'
    printf '  object psContainerDestDir: TpsContainerDestDir\n  end\n'
    printf "  object Net1: TNetInstallLocation\n    LoginInformation.Hostname = '%s'\n" "$host"
    [ -n "$extra" ] && printf '%s\n' "$extra"
    printf '  end\n'
    printf "  object Install1: TInstall\n    DestDir = '\\\\Web App'\n    DestDirType = psProgramFiles\n"
    printf '    ArchiveFileType = psMainArchiveFile\n'
    printf '    DistributeType = %s\n    NetLocation = Net1\n    NoUninstall = True\n  end\n' "$dist"
    file File404 Install1 readme.txt True
    file File2 Install1 app.dat False
    printf "  object Directory1: TInstallDirectory\n    Container = Install1\n"
    printf "    ArchiveFileType = psContainerArchiveFile\n    DestDir = '\\\\Help'\n"
    printf '    DestDirType = psContainerDestDir\n  end\n'
    file File3 Directory1 help.txt True
    printf 'end\n'
  } >"$def"
  quendel_build "$def" "$work/$name" >/dev/null || fail "quendel build of $name failed"
  [ -f "$work/$name/setup.exe" ] || fail "$name: the build wrote no setup.exe"
}
# publish BUILD DIR: the build's net folder (the one with filelist.lst) on the server.
publish() {
  local list
  list=$(find "$work/$1" -name filelist.lst | head -n1)
  [ -n "$list" ] || fail "$1: the build wrote no filelist.lst"
  rm -rf "$2"
  mkdir -p "$2"
  cp "$(dirname "$list")"/* "$2/"
  local f
  for f in filelist.lst Install1.1 Directory1.1; do [ -f "$2/$f" ] || fail "$1: the net folder has no $f"; done
}
# install BUILD EXPECTED-CODE: setup.exe /S, bounded, its log in $log.
log=$work/setup.log
install() {
  rm -f "$log"
  set +e
  timeout 180 wine "$work/$1/setup.exe" /S "/LOG=$(win "$log")" </dev/null
  local code=$?
  set -e
  [ "$code" -ne 124 ] || fail "$1: setup.exe hung"
  [ "$code" -eq "$2" ] || { cat "$log" >&2 || true; fail "$1: setup.exe /S ended with $code, not $2"; }
}
logged() { grep -qF "$1" "$log" || { cat "$log" >&2; fail "log: no \"$1\""; }; }
# local_file OBJECT: the "LocalFile" the install record keeps for it, as a Unix path.
local_file() {
  local value
  value=$(wine reg query "$record\\Install0\\$1" /v LocalFile /reg:32 </dev/null 2>/dev/null \
    | tr -d '\r' | sed -n 's/.*LocalFile *REG_SZ *//p')
  [ -n "$value" ] && winepath -u "$value" 2>/dev/null
  return 0
}
copies() { ls "$temp" | grep -i '^bat.*\.1$' | sort || true; }
forget() { # a clean machine for the next case
  wine reg delete "$record" /f /reg:32 >/dev/null 2>&1 </dev/null || true
  rm -rf "$app"
  find "$temp" -maxdepth 1 -iname 'bat*.1' -delete
}
forget

# ---- a web build on nginx and a net build on the FTP server ----------------------
for kind in web net; do
  if [ "$kind" = web ]; then
    definition "$kind" "127.0.0.1:$QUENDEL_HTTP_PORT" dtWeb "    LoginInformation.Directory = 'product'"
    missing='Could not find the file Install1.1 on the server'
  else
    definition "$kind" "127.0.0.1:$QUENDEL_FTP_PORT" dtTraditionalNet \
      "    LoginInformation.Directory = 'product'
    LoginInformation.Protocol = ipFTP"
    missing='Cannot open file Install1.1 on server' # the server's 550
  fi
  publish "$kind" "$served"
  if [ "$kind" = web ]; then
    head -c 30 "$served/filelist.lst" | grep -q 404 || fail "the file list does not carry 404 early"
  fi
  # Directories come before files: Directory1.1 arrives, then Install1.1 is
  # missing: a bad install that keeps Directory1's copy and its record.
  mv "$served/Install1.1" "$work/Install1.1"
  install "$kind" 1
  logged "$missing"
  copy=$(local_file Directory1)
  [ -n "$copy" ] || fail "$kind: no LocalFile recorded for Directory1"
  case "$(basename "$copy")" in bat*.1) ;; *) fail "$kind: the copy $copy is not a bat*.1 temporary file" ;; esac
  [ "$(dirname "$copy")" -ef "$temp" ] || fail "$kind: the copy $copy is not in the temporary directory"
  cmp -s "$copy" "$served/Directory1.1" || fail "$kind: the recorded copy is not Directory1.1"
  [ -z "$(local_file Install1)" ] || fail "$kind: a LocalFile is recorded for the missing archive"
  [ "$(copies)" = "$(basename "$copy")" ] || fail "$kind: other copies stayed: $(copies)"
  # The server gets Install1.1 and loses Directory1.1: only the kept copy
  # can serve Directory1 now.
  mv "$work/Install1.1" "$served/Install1.1"
  rm "$served/Directory1.1"
  install "$kind" 0
  cmp -s "$app/readme.txt" "$src/readme.txt" || fail "$kind: readme.txt not installed"
  cmp -s "$app/app.dat" "$src/app.dat" || fail "$kind: app.dat not installed"
  cmp -s "$app/Help/help.txt" "$src/help.txt" || fail "$kind: help.txt not installed"
  [ ! -e "$copy" ] || fail "$kind: the downloaded copy stayed after a good install"
  [ -z "$(copies)" ] || fail "$kind: copies stayed after a good install: $(copies)"
  if wine reg query "$record\\Install0" /reg:32 >/dev/null 2>&1 </dev/null; then
    fail "$kind: the install record stayed"
  fi
  forget
  echo "$kind distribution served by $( [ $kind = web ] && echo nginx || echo the FTP server ): ok"
done

# ---- a misbehaving server --------------------------------------------------------
# Install1.1's digest is given wrong: the run that gets every file served
# whole fails on it. A silent server is given up after 3 seconds.
definition bad "127.0.0.1:$QUENDEL_BAD_PORT" dtWeb "    LoginInformation.Directory = 'switch/product'
    ReceiveTimeout = 3
    SHA256.Strings = (
      'Install1.1=$(printf '%064d' 0)')"
publish bad "$switched/product"
switch() { printf '%s\n' "$*" >"$QUENDEL_NET_ROOT/switch.mode"; }
# The user's own files where the product goes.
user_files() {
  mkdir -p "$app"
  printf 'my notes\r\n' >"$app/notes.txt"
  printf 'my own readme\r\n' >"$app/readme.txt"
}
user_files_kept() {
  [ "$(cat "$app/notes.txt")" = $'my notes\r' ] || fail "$1: the user's notes.txt changed"
  [ "$(cat "$app/readme.txt")" = $'my own readme\r' ] || fail "$1: the user's readme.txt changed"
  [ ! -e "$app/app.dat" ] || fail "$1: app.dat installed from a failed archive"
}
# failing WHAT "MODE [FILE]" MESSAGE: a bad install with MESSAGE in the log,
# no partial file and no record for what failed.
failing() {
  user_files
  switch "$2"
  install bad 1
  logged "$3"
  user_files_kept "$1"
  [ -z "$(local_file Install1)" ] || fail "$1: a LocalFile is recorded for Install1"
  echo "$1: a clean bad install"
}
nothing_kept() {
  [ -z "$(copies)" ] || fail "$1: copies stayed: $(copies)"
  [ -z "$(local_file Directory1)" ] || fail "$1: a LocalFile is recorded for Directory1"
}
# only_kept WHAT: the one copy kept from an earlier run is all there is.
only_kept() {
  [ "$(local_file Directory1)" = "$kept" ] && cmp -s "$kept" "$switched/product/Directory1.1" \
    || fail "$1: Directory1's copy was not reused as it was"
  [ "$(copies)" = "$(basename "$kept")" ] || fail "$1: the temporary directory holds $(copies)"
}
# Nothing downloaded before the failure.
failing "404" "status404 Directory1.1" 'Could not find the file Directory1.1 on the server'
nothing_kept 404
failing "500" "status500 filelist.lst" 'Could not read from file filelist.lst on the server'
nothing_kept 500
failing "cut short" "trunc Directory1.1" 'Could not read from file Directory1.1 on the server'
nothing_kept "cut short"
# Directory1.1 arrives and is kept; Install1.1 does not match its digest.
failing "wrong SHA-256" "serve" 'The file Install1.1 from the server does not match its SHA-256'
kept=$(local_file Directory1)
[ -n "$kept" ] || fail "wrong SHA-256: Directory1's good copy not kept"
only_kept "wrong SHA-256"
# With Directory1's copy kept, the next runs ask only for Install1.1.
start=$(date +%s)
failing "silent server" "hang Install1.1" 'Could not read from file Install1.1 on the server'
[ $(( $(date +%s) - start )) -lt 60 ] || fail "the silent server held the run for a minute"
only_kept "silent server"
# Last: the server process dies halfway through Install1.1.
failing "server stopped" "stop Install1.1" 'Could not read from file Install1.1 on the server'
only_kept "server stopped"
forget

# ---- HTTPS -------------------------------------------------------------------------
# By name: Wine checks the server's name against the certificate's DNS names
# only (an address gives ERROR_INTERNET_SEC_CERT_CN_INVALID); the
# certificate names "localhost" too.
definition secure "https://localhost:$QUENDEL_HTTPS_PORT" dtWeb "    LoginInformation.Directory = 'product'"
publish secure "$served"
# Untrusted: the request for the file list is refused, nothing is stored.
install secure 1
logged 'Cannot send request for file filelist.lst to the server'
nothing_kept "untrusted certificate"
[ ! -e "$app/app.dat" ] || fail "untrusted certificate: installed"
forget
system_bundle=/etc/ssl/certs/ca-certificates.crt
if [ "$(id -u)" -eq 0 ] && [ -f "$system_bundle" ] && unshare -m true 2>/dev/null; then
  cat "$system_bundle" "$QUENDEL_NET_CA" >"$work/bundle.crt"
  # A prefix of its own, whose wineserver starts inside the namespace.
  e2e_copy_prefix "$e2e_template_dir" "$work/prefix-tls"
  tlslog=$(win "$work/tls.log")
  set +e
  WINEPREFIX=$work/prefix-tls unshare -m bash -c '
    mount --bind "$1" "$2" || exit 99
    timeout 180 wine "$3" /S "/LOG=$4" </dev/null; code=$?
    wineserver -k; wineserver -w
    exit $code' tls "$work/bundle.crt" "$system_bundle" "$work/secure/setup.exe" "$tlslog"
  code=$?
  set -e
  [ "$code" -ne 99 ] || fail "cannot bind the certificate bundle"
  [ "$code" -eq 0 ] || { cat "$work/tls.log" >&2 || true; fail "https with a trusted certificate ended with $code"; }
  tlsapp="$work/prefix-tls/drive_c/Program Files (x86)/Web App"
  cmp -s "$tlsapp/readme.txt" "$src/readme.txt" || fail "https: readme.txt not installed"
  cmp -s "$tlsapp/app.dat" "$src/app.dat" || fail "https: app.dat not installed"
  cmp -s "$tlsapp/Help/help.txt" "$src/help.txt" || fail "https: help.txt not installed"
  cmp -s "$system_bundle" "$work/bundle.crt" && fail "the host's bundle changed outside the namespace"
  rm -rf "$work/prefix-tls"
  echo "https with a trusted certificate: ok"
else
  echo "skipped https with a trusted certificate: needs root and a private mount namespace"
fi
echo "net distributions under Wine: ok"
