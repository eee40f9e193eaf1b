#!/usr/bin/env bash
# Makes or refreshes the Wine sandbox.
#   tools/sandbox.sh make run    the sandbox for running the program: drive C: only
#   tools/sandbox.sh make test   the same plus the fixture drives D: (hd), E: (cdrom), F: (network)
#   tools/sandbox.sh install     copies the built program and its data into C:\Program Files\...
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

make_sandbox() {
  local mode=$1
  mkdir -p "$HOME" "$XDG_DATA_HOME/Trash/files" "$XDG_DATA_HOME/Trash/info" \
           "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR" "$TMPDIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -d "$WINEPREFIX/drive_c/windows/system32" ]; then
    echo "Creating the Wine sandbox in $QZ_SANDBOX (first time only)..."
    rm -rf "$WINEPREFIX"
    wineboot -i </dev/null >"$QZ_SANDBOX/wineboot.log" 2>&1 || true
    wineserver -w
  fi
  [ -f "$WINEPREFIX/system.reg" ] || qz_die "wineboot did not create the prefix (see $QZ_SANDBOX/wineboot.log)"

  # Drive letters: only c:, plus the fixture drives inside the sandbox in test mode.
  local dd="$WINEPREFIX/dosdevices"
  for e in "$dd"/* "$dd"/.[!.]*; do
    [ -e "$e" ] || [ -L "$e" ] || continue
    case "$(basename "$e")" in c:) ;; *) rm -f "$e" ;; esac
  done
  ln -sfn ../drive_c "$dd/c:"

  # Folders that Wine links to the host's home become real folders.
  while IFS= read -r -d '' l; do
    rm -f "$l"; mkdir -p "$l"
  done < <(find "$WINEPREFIX/drive_c" -type l -print0)

  # Without Tahoma GDI+ draws no text at all. Only Wine's regular face goes
  # in, and without its bitmap strikes (tools/outline_font.py): with them,
  # small text is drawn narrower than every measuring call says. Wine's
  # tahomabd.ttf stays out: it holds the regular outlines with bold widths,
  # so bold text came out as regular glyphs spaced wide; without it Wine
  # makes the bold face from the regular one.
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" tahoma="$TMPDIR/tahoma-outline.ttf"
  python3 "$QZ_ROOT/tools/outline_font.py" /usr/share/wine/fonts/tahoma.ttf "$tahoma"
  cmp -s "$tahoma" "$fonts/tahoma.ttf" || cp "$tahoma" "$fonts/tahoma.ttf"
  rm -f "$tahoma"
  if [ -f "$fonts/tahomabd.ttf" ] && cmp -s "$fonts/tahomabd.ttf" /usr/share/wine/fonts/tahomabd.ttf; then
    rm -f "$fonts/tahomabd.ttf"
  fi

  if [ "$mode" = test ]; then
    mkdir -p "$QZ_DRIVES/d" "$QZ_DRIVES/e" "$QZ_DRIVES/f"
    ln -sfn "$QZ_DRIVES/d" "$dd/d:"
    ln -sfn "$QZ_DRIVES/e" "$dd/e:"
    ln -sfn "$QZ_DRIVES/f" "$dd/f:"
    if ! grep -q '"d:"="hd"' "$WINEPREFIX/system.reg"; then
      printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]\r\n"d:"="hd"\r\n"e:"="cdrom"\r\n"f:"="network"\r\n\r\n' \
        >"$WINEPREFIX/drive_c/qz-drives.reg"
      wine regedit 'C:\qz-drives.reg' </dev/null >/dev/null 2>&1
      wineserver -w
      rm -f "$WINEPREFIX/drive_c/qz-drives.reg"
    fi
    # Tests run on a bare Xvfb without window manager: windows managed by a
    # window manager that does not exist make every hide wait 2 s for it.
    if ! grep -q '"Managed"="N"' "$WINEPREFIX/user.reg"; then
      printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n\r\n' \
        >"$WINEPREFIX/drive_c/qz-x11.reg"
      wine regedit 'C:\qz-x11.reg' </dev/null >/dev/null 2>&1
      wineserver -w
      rm -f "$WINEPREFIX/drive_c/qz-x11.reg"
    fi
  fi
  "$QZ_ROOT/tools/guard.sh" "$mode"
}

install_program() {
  [ -f "$QZ_BUILD/QuenzalSuite2.exe" ] || qz_die "build first: $QZ_BUILD/QuenzalSuite2.exe is missing"
  mkdir -p "$QZ_PROGDIR"
  cmake --install "$QZ_BUILD" --prefix "$QZ_PROGDIR" >/dev/null
}

case "${1:-}" in
  make) make_sandbox "${2:-run}" ;;
  install) install_program ;;
  *) echo "usage: $0 make run|test | install" >&2; exit 2 ;;
esac
