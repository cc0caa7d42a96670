# Sourced by the end-to-end scripts that install under Wine as a user's
# machine runs a setup program: a 64-bit prefix of the test's own (so the
# 32-bit setup program's HKLM\SOFTWARE writes land in the 32-bit view and
# Program Files is "C:\Program Files (x86)"), one warm wineserver for all its
# steps, and the kit laid out as scripts/kit lays it out.
#
# wineboot takes 10 to 15 s for a 64-bit prefix, so the first script of a run
# makes one template beside the build (under a lock) and every script copies
# it; scripts/test removes the template before each run, so a run never
# inherits a prefix of an older Wine.
#
#   e2e_begin BUILD_DIR NAME   work directory $work (removed at exit), the
#                              prefix in $work/prefix, ready and warm
#   e2e_kit [NATIVE_BUILD_DIR] the kit in $work/kit; defines quendel_build, and
#                             quendel_native=1 when it runs the native tool
#   fail MESSAGE               ends the script with a failure
#   win PATH                   the Windows form of a Unix path
#   e2e_on_exit COMMAND        one more thing for the cleanup (runs first)

fail() { echo "FAIL: $*" >&2; exit 1; }
win() { winepath -w "$1" 2>/dev/null; }

e2e_exit_hooks=()
e2e_on_exit() { e2e_exit_hooks+=("$1"); }
e2e_cleanup() {
  local h
  for h in "${e2e_exit_hooks[@]}"; do eval "$h" || true; done
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then wineserver -k 2>/dev/null || true; fi
  [ -n "${work:-}" ] && rm -rf "$work"
}

e2e_template() { # BUILD_DIR: the run's 64-bit template prefix, made once
  local template=$1/wine64-template
  (
    flock 9
    if [ ! -f "$template/.complete" ]; then
      rm -rf "$template"
      WINEPREFIX=$template WINEARCH=win64 WINEDEBUG=-all \
        WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d" wineboot -i >/dev/null 2>&1 || exit 1
      WINEPREFIX=$template wineserver -w
      [ -d "$template/drive_c/windows/syswow64" ] || exit 1
      touch "$template/.complete"
    fi
  ) 9>"$1/wine64-template.lock" || fail "cannot make a 64-bit Wine prefix (is wine64 installed?)"
  e2e_template_dir=$template
}

# A copy of the template that costs next to no disk: the modules (1.3 GB of
# DLLs and programs, which Wine never writes to) are hard links, every other
# file (the registry, the profile files) a copy of its own.
e2e_copy_prefix() { # TEMPLATE DEST
  cp -al "$1" "$2"
  rm -f "$2/.complete"
  local f
  while IFS= read -r -d '' f; do
    cp -p "$f" "$f.copy" && mv -f "$f.copy" "$f"
  done < <(find "$2" -type f ! \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.sys' -o -iname '*.drv' \
    -o -iname '*.ocx' -o -iname '*.acm' -o -iname '*.cpl' -o -iname '*.tlb' -o -iname '*.ax' -o -iname '*.nls' \
    -o -iname '*.ds' -o -iname '*.msstyles' -o -iname '*.com' -o -iname '*.vxd' \) -print0)
}

e2e_begin() { # BUILD_DIR NAME
  build=$(cd "$1" && pwd)
  work=$(mktemp -d "$build/$2.XXXXXX")
  trap e2e_cleanup EXIT
  e2e_template "$build"
  e2e_copy_prefix "$e2e_template_dir" "$work/prefix"
  export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all
  export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
  wineserver -p
  # The first program of a session starts Wine's services.
  wine cmd /c exit >/dev/null 2>&1 </dev/null
  [ -d "$WINEPREFIX/drive_c/windows/syswow64" ] || fail "the prefix is not 64-bit"
}

e2e_kit() { # [NATIVE_BUILD_DIR]
  local native=${1:-$build/../native}
  kit=$work/kit
  mkdir -p "$kit"
  cp "$build/apps/setup/quendel-setup.exe" "$build/apps/loader/QuendelLoadProgram.exe" \
    "$build/apps/quendel/quendel.exe" "$build/apps/uninstall/uninstall.exe" "$kit/"
  printf 'kit\r\n' >"$kit/Q32V52.TXT"
  if [ -x "$native/apps/quendel/quendel" ]; then
    quendel_native=1
    cp "$native/apps/quendel/quendel" "$kit/"
    quendel_build() { # DEFINITION OUTDIR [args...]
      local def=$1 out=$2
      shift 2
      QUENDEL_KIT=$kit "$kit/quendel" build "$def" -o "$out" "$@" </dev/null
    }
  else
    quendel_native=0
    quendel_build() {
      local def=$1 out=$2
      shift 2
      # quendel.exe reads Windows paths: host paths among the options (the
      # signing certificate and key, a source directory) are translated too.
      local a args=()
      for a in "$@"; do
        case $a in /*) args+=("$(win "$a")") ;; *) args+=("$a") ;; esac
      done
      QUENDEL_KIT=$(win "$kit") wine "$kit/quendel.exe" build "$(win "$def")" -o "$(win "$out")" "${args[@]}" </dev/null
    }
  fi
}
