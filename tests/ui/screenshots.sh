#!/usr/bin/env bash
# The main window's drawings against the reference images in tests/data/ui.
#
#   screenshots.sh headless SHOWCASE REFDIR WORKDIR
#     the software renderer's drawing of every case (native program)
#   screenshots.sh wine SHOWCASE REFDIR WORKDIR
#     the 32-bit program under Wine on its own Xvfb screen and in its own
#     prefix: every case as shown on screen and as the software renderer
#     draws it there, then the window at 144 pixels per inch
set -uo pipefail
mode=$1 showcase=$(realpath "$2") refs=$(realpath "$3") work=$(realpath -m "$4")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export showcase
compare="python3 $here/compare_images.py"
rm -rf "$work"
mkdir -p "$work"
failed=0
check() { $compare "$@" || failed=1; }

if [ "$mode" = headless ]; then
  "$showcase" "$work/out" --headless || exit 1
  for ppm in "$work"/out/*.ppm; do
    name=$(basename "$ppm" .ppm)
    check "$refs/headless/$name.png" "$ppm" 0
  done
  exit $failed
fi

export WINEPREFIX=$work/prefix WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
exec 3>&1
run_on_screen() { # OUTDIR [args]: runs the showcase and takes each case's screenshot
  local dir=$1
  shift
  wine "$showcase" "$(winepath -w "$dir")" "$@" >"$dir.log" 2>&1 &
  local pid=$! taken=0
  while kill -0 "$pid" 2>/dev/null; do
    for ready in "$dir"/*.ready; do
      [ -e "$ready" ] || continue
      local name size
      name=$(basename "$ready" .ready)
      [ -e "$dir/$name.taken" ] && continue
      size=$(tr -d "\r" <"$dir/$name.size")
      import -window root -crop "${size}+0+0" +repage "$dir/$name.png"
      touch "$dir/$name.taken"
      taken=$((taken + 1))
    done
    sleep 0.1
  done
  wait "$pid" || { echo "the showcase failed:"; cat "$dir.log"; return 1; }
  echo "$taken screenshots in $dir" >&3
}

xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "$(declare -f run_on_screen); set -e
  wineboot -i >/dev/null 2>&1; wineserver -w
  mkdir -p '$work/shots' '$work/dpi144'
  run_on_screen '$work/shots'
  wine reg add 'HKCU\\Control Panel\\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
  wineserver -w
  run_on_screen '$work/dpi144' --only dir_bdUp
  wineserver -k" || failed=1
rm -rf "$WINEPREFIX"

for png in "$work"/shots/*.png; do
  [ -e "$png" ] || { echo "no screenshots"; exit 1; }
  name=$(basename "$png" .png)
  check "$refs/wine/$name.png" "$png" 8
  check "$refs/headless/$name.png" "$work/shots/$name.ppm" 0
done
# At 144 pixels per inch the window is one and a half times the size and
# draws the same picture, scaled.
size=$(tr -d "\r" <"$work/dpi144/dir_bdUp.size" 2>/dev/null)
if [ "$size" != "1032x680" ]; then
  echo "at 144 DPI the window is $size, not 1032x680"
  failed=1
fi
check "$refs/wine/dpi144_dir_bdUp.png" "$work/dpi144/dir_bdUp.png" 8
exit $failed
