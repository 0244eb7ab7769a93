#!/bin/sh
# A screenshot of the librarian page with two real banks under Xvfb: the shared data folder's easter set and
# factory bank copied into a library of their own, the test host opens the plug-in's editor, xdotool clicks
# the librarian tab, steps the source (lower) pane to the next bank and selects a slot of the edited (upper)
# bank, the host saves the window as a PNG. Not part of CI.
#
# usage: tools/resgen/librarian-screenshot.sh [BUILD_DIR] [OUT_FILE] [SHARED_DATA]
#   BUILD_DIR    build folder holding "Korvid Editor/Korvid Editor.so" and tools/vsthost/vsthost (build)
#   OUT_FILE     the PNG (docs/screenshots/librarian-two-banks.png)
#   SHARED_DATA  the shared data folder with banks/ ($KORVID_SHARED_DATA, else ../shared/data beside the
#                repository)
set -eu

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
out=${2:-docs/screenshots/librarian-two-banks.png}
shared=${3:-${KORVID_SHARED_DATA:-$here/../../../shared/data}}
plugin="$build/Korvid Editor/Korvid Editor.so"
host="$build/tools/vsthost/vsthost"

for tool in xvfb-run xdotool; do
  command -v "$tool" >/dev/null || { echo "librarian-screenshot.sh: $tool is missing" >&2; exit 1; }
done
[ -f "$plugin" ] || { echo "librarian-screenshot.sh: no plug-in at $plugin" >&2; exit 1; }
[ -x "$host" ] || { echo "librarian-screenshot.sh: no test host at $host" >&2; exit 1; }
for bank in easter-set.mid factory-2008.syx; do
  [ -f "$shared/banks/$bank" ] || { echo "librarian-screenshot.sh: no $bank in $shared/banks" >&2; exit 1; }
done
mkdir -p "$(dirname "$out")"

# A data folder of its own: the white skin at normal size, no first-run notice, a library of the two banks
# (the factory bank of 1024 sounds splits into eight banks of 128 when the editor reads it).
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
patches="$data/Quillmarsh/Korvid Editor/Patches"
mkdir -p "$patches"
cp "$shared/banks/easter-set.mid" "$shared/banks/factory-2008.syx" "$patches/"
chmod u+w "$patches"/*
printf 'white\nnormal\nyes\n' >"$data/Quillmarsh/Korvid Editor/Korvid Editor UI.txt"

# Editor coordinates at size factor 1: the librarian tab, the source bank's next-bank button, and upper
# slot 21 (column 1, row 5: slots of 105 x 14 pixels in columns 133 apart from (394, 210)).
tab_x=382
tab_y=22
next_bank_x=848
next_bank_y=469
slot_x=$((394 + 133 + 50))
slot_y=$((210 + 5 * 14 + 7))

# shellcheck disable=SC2016 # expanded by the inner shell
XDG_DATA_HOME="$data" xvfb-run -a -s "-screen 0 1600x900x24" sh -c '
  "$1" "$2" --editor --screenshot "$3" --seconds 6 >/dev/null 2>&1 &
  hostpid=$!
  window=$(xdotool search --sync --name "vsthost editor" | head -n 1)
  sleep 1
  xdotool mousemove --window "$window" "$4" "$5" click 1
  sleep 0.5
  xdotool mousemove --window "$window" "$6" "$7" click 1
  sleep 0.5
  xdotool mousemove --window "$window" "$8" "$9" click 1
  wait "$hostpid"
' screenshot "$host" "$plugin" "$out" "$tab_x" "$tab_y" "$next_bank_x" "$next_bank_y" "$slot_x" "$slot_y"
echo "$out"
