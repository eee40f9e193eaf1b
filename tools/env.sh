# Sourced by every script: where things live, and the sandbox's environment.
# Nothing here may point Wine at a prefix outside the sandbox.

QZ_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QZ_BUILD=${QZ_BUILD:-$QZ_ROOT/build}
QZ_SANDBOX=${QZ_SANDBOX:-$QZ_BUILD/sandbox}
mkdir -p "$QZ_SANDBOX"
QZ_SANDBOX=$(cd "$QZ_SANDBOX" && pwd -P)
# The canary lies outside the sandbox, beside it.
QZ_CANARY=${QZ_CANARY:-$(dirname "$QZ_SANDBOX")/canary-$(basename "$QZ_SANDBOX")}
export QZ_ROOT QZ_BUILD QZ_SANDBOX QZ_CANARY

export HOME="$QZ_SANDBOX/home"
export XDG_DATA_HOME="$QZ_SANDBOX/xdg/data"
export XDG_CONFIG_HOME="$QZ_SANDBOX/xdg/config"
export XDG_CACHE_HOME="$QZ_SANDBOX/xdg/cache"
export XDG_RUNTIME_DIR="$QZ_SANDBOX/xdg/run"
export TMPDIR="$QZ_SANDBOX/tmp"
export WINEPREFIX="$QZ_SANDBOX/prefix"
export WINEARCH=win64
export WINEDEBUG=${QZ_WINEDEBUG:--all}
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
export LANG=C.UTF-8
unset LC_ALL

QZ_PROGDIR_WIN='C:\Program Files\Brinvale\Brinvale Sysvantor Quenzal Suite 2'
QZ_PROGDIR="$WINEPREFIX/drive_c/Program Files/Brinvale/Brinvale Sysvantor Quenzal Suite 2"
QZ_TESTBIN="$WINEPREFIX/drive_c/qztests/bin"
QZ_DRIVES="$QZ_SANDBOX/drives"
export QZ_PROGDIR QZ_PROGDIR_WIN QZ_TESTBIN QZ_DRIVES

qz_die() { echo "error: $*" >&2; exit 1; }
