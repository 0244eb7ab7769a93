#!/usr/bin/env bash
# Checks scripts/init-data-folder.sh: it creates the data folder, "Patches" and the default settings
# file under XDG_DATA_HOME (or ~/.local/share), and never overwrites what is already there.
set -euo pipefail

script="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# A fresh data home: everything is created, the settings file holds the three default lines.
export XDG_DATA_HOME="$scratch/data"
"$script" > /dev/null
folder="$XDG_DATA_HOME/Quillmarsh/Korvid Editor"
settings="$folder/Korvid Editor UI.txt"
[ -d "$folder/Patches" ] || fail "Patches folder not created"
[ -f "$settings" ] || fail "settings file not created"
cmp -s "$settings" <(printf 'white\nnormal\nno') ||
  fail "unexpected default settings: $(od -c "$settings")"
[ ! -e "$folder/Korvid Editor LOG.txt" ] || fail "log file created (logging must stay off)"

# Existing files and folders are kept as they are.
printf 'black\nlarge\nyes' > "$settings"
echo "bank" > "$folder/Patches/mine.syx"
"$script" > /dev/null
[ "$(cat "$settings")" = "$(printf 'black\nlarge\nyes')" ] || fail "settings file overwritten"
[ "$(cat "$folder/Patches/mine.syx")" = "bank" ] || fail "Patches content changed"

# A settings file that is a dangling link is not written through.
rm "$settings"
ln -s "$scratch/elsewhere.txt" "$settings"
"$script" > /dev/null
[ ! -e "$scratch/elsewhere.txt" ] || fail "wrote through a dangling link"

# Without XDG_DATA_HOME (or with a relative one) the folder lies under ~/.local/share.
for value in unset relative/path; do
  home="$scratch/home-$RANDOM"
  mkdir -p "$home"
  if [ "$value" = unset ]; then
    env -u XDG_DATA_HOME HOME="$home" "$script" > /dev/null
  else
    XDG_DATA_HOME="$value" HOME="$home" "$script" > /dev/null
  fi
  [ -f "$home/.local/share/Quillmarsh/Korvid Editor/Korvid Editor UI.txt" ] ||
    fail "no settings file under ~/.local/share with XDG_DATA_HOME $value"
done
[ ! -e relative ] || fail "created a folder relative to the working folder"

echo "init-data-folder: all checks passed"
