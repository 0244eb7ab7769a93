#!/bin/sh
# Screenshots of the editor's six pages under Xvfb: the test host opens the plug-in's editor, xdotool
# clicks the page's tab, the host saves the window as a PNG.
#
# usage: tools/resgen/screenshots.sh [BUILD_DIR] [OUT_DIR] [white|black]
#   BUILD_DIR  build folder holding "Korvid Editor/Korvid Editor.so" and tools/vsthost/vsthost (build)
#   OUT_DIR    folder the PNGs go to (docs/screenshots); files page-N-NAME[-black].png
#   style      the skin, "white" (default) or "black"
set -eu

build=${1:-build}
out=${2:-docs/screenshots}
style=${3:-white}
plugin="$build/Korvid Editor/Korvid Editor.so"
host="$build/tools/vsthost/vsthost"

for tool in xvfb-run xdotool; do
  command -v "$tool" >/dev/null || { echo "screenshots.sh: $tool is missing" >&2; exit 1; }
done
[ -f "$plugin" ] || { echo "screenshots.sh: no plug-in at $plugin" >&2; exit 1; }
[ -x "$host" ] || { echo "screenshots.sh: no test host at $host" >&2; exit 1; }
mkdir -p "$out"

# A data folder of its own: the skin from the settings file, no first-run notice, no user library.
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
mkdir -p "$data/Quillmarsh/Korvid Editor"
printf '%s\nnormal\nyes\n' "$style" >"$data/Quillmarsh/Korvid Editor/Korvid Editor UI.txt"

suffix=""
[ "$style" = "black" ] && suffix="-black"

# The main tab strip: six buttons of 148 x 28 pixels from (160, 8), at size factor 1.
tab_left=160
tab_top=8
tab_width=148
tab_height=28

page=0
for name in multi librarian oscillators filters-envelopes lfo-modmatrix effects-arp; do
  file="$out/page-$page-$name$suffix.png"
  x=$((tab_left + page * tab_width + tab_width / 2))
  y=$((tab_top + tab_height / 2))
  # shellcheck disable=SC2016 # expanded by the inner shell
  XDG_DATA_HOME="$data" xvfb-run -a -s "-screen 0 1600x900x24" sh -c '
    "$1" "$2" --editor --screenshot "$3" --seconds 4 >/dev/null &
    hostpid=$!
    window=$(xdotool search --sync --name "vsthost editor" | head -n 1)
    sleep 1
    xdotool mousemove --window "$window" "$4" "$5" click 1
    wait "$hostpid"
  ' screenshots "$host" "$plugin" "$file" "$x" "$y"
  echo "$file"
  page=$((page + 1))
done
