#!/usr/bin/env bash
# Prepares the editor's data folder: "$XDG_DATA_HOME/Quillmarsh/Korvid Editor/" (XDG_DATA_HOME
# defaulting to ~/.local/share) with its "Patches" folder and a default settings file. Creates only
# what is missing and never overwrites an existing file. The plug-in itself creates none of these.
set -euo pipefail

data_home="${XDG_DATA_HOME:-}"
# A relative XDG_DATA_HOME is ignored, as the plug-in ignores it.
# Without HOME, bash takes the home folder from the password database, as the plug-in does.
if [ "${data_home#/}" = "$data_home" ]; then
  data_home=~/.local/share
fi

folder="$data_home/Quillmarsh/Korvid Editor"
settings="$folder/Korvid Editor UI.txt"

mkdir -p -- "$folder/Patches"

# Style "white", size "normal", first-run notice not yet dismissed ("no"); no line end after the
# last line, as the editor writes the file.
if [ ! -e "$settings" ] && [ ! -L "$settings" ]; then
  (set -o noclobber; printf 'white\nnormal\nno' > "$settings")
fi

echo "Data folder ready: $folder"
