# Sourced by host-side fixtures (after tools/env.sh): looks into the sandbox's
# trash, which stands in for the Recycle Bin.

# Percent-decoding of a trashinfo Path value.
qz_urldecode() { local s=${1//+/ }; printf '%b' "${s//%/\\x}"; }

# Every Windows path listed in the file $1 (one per line, as the tests wrote
# them) must have its entry in the trash. $2 names the caller in messages.
# The list is removed afterwards. Non-zero when a file is missing.
qz_check_expected_trash() {
  local expect=$1 label=$2
  [ -f "$expect" ] || return 0
  local rc=0 paths=() f p line letter rest a b found checked=0
  for f in "$XDG_DATA_HOME"/Trash/info/*.trashinfo; do
    [ -f "$f" ] || continue
    p=$(sed -n 's/^Path=//p' "$f" | head -n1)
    paths+=("$(qz_urldecode "$p")")
  done
  while IFS= read -r line; do
    line=${line%$'\r'}
    [ -n "$line" ] || continue
    letter=$(printf '%s' "${line:0:1}" | tr 'A-Z' 'a-z')
    rest=${line:3}
    rest=${rest//\\//}
    a="$WINEPREFIX/dosdevices/$letter:/$rest"
    b="$QZ_DRIVES/$letter/$rest"
    [ "$letter" = c ] && b="$WINEPREFIX/drive_c/$rest"
    found=0
    for p in "${paths[@]}"; do
      if [ "${p,,}" = "${a,,}" ] || [ "${p,,}" = "${b,,}" ]; then found=1; break; fi
    done
    checked=$((checked + 1))
    [ $found = 1 ] || { echo "$label: $line is not in the trash" >&2; rc=1; }
  done <"$expect"
  [ $rc = 0 ] && echo "$label: $checked recycled files found in the sandbox's trash"
  rm -f -- "$expect"
  return $rc
}

# Takes out of the trash every item whose original path, in lower case,
# matches one of the glob patterns given (written in lower case): the items
# the tests put there themselves.
qz_tidy_trash() {
  local f p n pat
  for f in "$XDG_DATA_HOME"/Trash/info/*.trashinfo; do
    [ -f "$f" ] || continue
    p=$(qz_urldecode "$(sed -n 's/^Path=//p' "$f" | head -n1)")
    p=${p,,}
    for pat in "$@"; do
      # shellcheck disable=SC2053
      if [[ $p == $pat ]]; then
        n=$(basename "$f" .trashinfo)
        rm -rf -- "$XDG_DATA_HOME/Trash/files/$n" "$f"
        break
      fi
    done
  done
}
