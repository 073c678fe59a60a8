#!/usr/bin/env bash
# Soak test of the windowed program: under a virtual X server, a seeded
# random stream of drags, wheel turns, keys and menu commands, with checks
# that the program answers within 2 s (the About box opens and closes) and
# that its exact frame is the picture calyra-render makes of its saved view.
#   scripts/soak.sh SECONDS
# CALYRA_SOAK_BUILD  the build driven (default build; a build of test.sh
#                    --sanitize or --tsan runs under its sanitizer)
# CALYRA_SOAK_SEED   the stream's seed (default from the clock; printed, so
#                    that a failing stream can be run again)
# CALYRA_SOAK_DIR    log, generated volumes and pictures (default BUILD/soak)
# CALYRA_SOAK_ONLY   names of the commands to draw from (default all): to try
#                    a new row of the table on its own
# The stream opens with every command once, then draws at random. Resident
# memory is sampled after every answer check; in a build without sanitizers
# and a run of two minutes or more, the end may not pass that of the first
# minute (or of the end of the opening, if later) by more than 10 %. Exits 0 when every check held, 1 otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

seconds=${1:?usage: scripts/soak.sh SECONDS}
build=$(cd "${CALYRA_SOAK_BUILD:-build}" && pwd)
seed=${CALYRA_SOAK_SEED:-$(($(date +%s) % 32768))}
work=${CALYRA_SOAK_DIR:-$build/soak}
program=$build/ui/calyra
render=$build/cli/calyra-render
compare=$build/calyra_compare_pictures
for f in "$program" "$render" "$compare"; do
  [[ -x $f ]] || { echo "soak: $f is not built"; exit 1; }
done
rm -rf "$work"
mkdir -p "$work"
log=$work/soak.log
: >"$log"

# The windows that stay up between commands; any other top-level window (a
# message box, a file chooser, the About box) is closed before the next one.
kLasting='^(Calyra Volume Renderer.*|View|Map|Slide Bar|Crop|Calyra Visualizer Help)$'
kAboutTitle='About the Calyra Visualizer'
kAnswerMs=2000

# The commands of the stream: name, weight, kind and its words. Kinds:
#   keys K...    keys pressed with the frame focused: menus by their letters
#                or, where letters repeat in a menu, by arrows
#   key K...     keys to whatever has the focus (the window last clicked)
#   drag B [M]   a drag with mouse button B (1 left, 2 middle, 3 right),
#                modifier M held, from a random point of the frame's windows
#   wheel        wheel turns at a random point of the frame's windows
#   click NAME   a click at a random point of the lasting window NAME
#   open FILE    Open Volume on a generated FILE (raw files through the
#                import dialog, its fields from the side file)
#   preset       the next or the previous preset of the Transfer Function
#                window (edits of its curve come from the drags over it)
#   movie FILE   Save Movie of a few frames into FILE; half the movies are
#                let finish, the others cancelled by the next settle
#   check        the frame check: the saved picture against calyra-render
# A new menu command is one row.
kCommands=(
  "ball           3 keys alt+f Return"
  "monkey         2 keys alt+f m"
  "combined       2 keys alt+f Down Down Return"
  "head           2 keys alt+f Down Down Down Return"
  "hyperboloid    2 keys alt+f h"
  "cone           2 keys alt+f Down Down Down Down Down Return"
  "surface        2 keys alt+o r f"
  "transparent    2 keys alt+o r t"
  "slice          2 keys alt+o r s"
  "maximum        2 keys alt+o r m"
  "minimum        1 keys alt+o r i"
  "average        1 keys alt+o r a"
  "composite      3 keys alt+o r c"
  "snap-world     2 keys alt+o Down Down Right Down Down Return"
  "snap-plane     2 keys alt+o Down Down Down Right Down Down Down Down Return"
  "threshold      1 keys alt+o h"
  "render         1 keys alt+d r"
  "view-panel     1 keys alt+d v"
  "map-panel      1 keys alt+d m"
  "colour-hot     1 keys alt+d Down Down Down Right Down Down Return"
  "colour-viridis 1 keys alt+d Down Down Down Right Down Down Down Down Return"
  "colour-grey    1 keys alt+d Down Down Down Right Return"
  "reset-display  1 keys alt+d w"
  "tf-window      2 keys alt+d t"
  "tf-preset      3 preset"
  "slice-views    2 keys alt+d s"
  "cursor-snap    1 keys alt+d Down Down Down Down Down Down Down Return"
  "crop-panel     2 keys alt+d p"
  "cut-at-plane   1 keys alt+d a"
  "remove-cut     1 keys alt+d e"
  "cascade        1 keys alt+a c"
  "tile           2 keys alt+a t"
  "stereo         1 keys alt+p s"
  "interpolate    1 keys alt+p i"
  "gradient       1 keys alt+p g"
  "live-update    1 keys alt+p l"
  "about          1 keys alt+h a"
  "help           1 keys F2"
  "copy-image     1 keys ctrl+c"
  "type-key       2 key t"
  "render-key     1 key r"
  "pan-keys       2 key plus plus minus"
  "eye-keys       1 key p P"
  "demo           1 key d"
  "demo-stop      2 keys D"
  "turn          12 drag 1"
  "hand-right     6 drag 3"
  "window-drag    4 drag 2"
  "window-ctrl    2 drag 1 ctrl"
  "wheel          8 wheel"
  "view-buttons   3 click View"
  "map-buttons    3 click Map"
  "slide-bar      3 click Slide Bar"
  "crop-bounds    4 click Crop"
  "open-ball      2 open ball.nrrd"
  "open-monkey    2 open monkey_thick.nrrd"
  "open-combined  1 open combined.mha"
  "open-gzip      1 open cone_gzip.nrrd"
  "open-broken    1 open broken.nrrd"
  "open-raw       1 open scan.raw"
  "open-recent    1 keys alt+f r 2"
  "movie-gif      1 movie turn.gif"
  "movie-mp4      1 movie turn.mp4"
  "check          1 check"
)

say() { echo "$*" | tee -a "$log"; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# A free display, the server started on it.
display=90
while [[ -e /tmp/.X$display-lock || -e /tmp/.X11-unix/X$display ]]; do display=$((display + 1)); done
export DISPLAY=:$display
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
app=
cleanup() {
  [[ -n $app ]] && kill "$app" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 100); do
  [[ -e /tmp/.X11-unix/X$display ]] && break
  sleep 0.1
done

# Volumes for Open Volume, from the built-in models: NRRD and MetaImage with
# their data attached, one of unequal spacing (resampled), one compressed, one
# that promises more data than it holds, and the build's example raw scan.
model_bytes() { "$render" --model "$1" --dump-volume "$2" >/dev/null; }
nrrd_header() { # sizes spacings encoding
  printf 'NRRD0004\ntype: uint8\ndimension: 3\nsizes: %s\nspacings: %s\nencoding: %s\n\n' "$1" "$2" "$3"
}
model_bytes ball "$work/ball.bin"
model_bytes monkey "$work/monkey.bin"
model_bytes combined "$work/combined.bin"
model_bytes cone "$work/cone.bin"
{ nrrd_header "65 65 65" "1 1 1" raw; cat "$work/ball.bin"; } >"$work/ball.nrrd"
{ nrrd_header "65 65 65" "1 1 2" raw; cat "$work/monkey.bin"; } >"$work/monkey_thick.nrrd"
{ nrrd_header "65 65 65" "1 1 1" gzip; gzip -c "$work/cone.bin"; } >"$work/cone_gzip.nrrd"
{ nrrd_header "65 65 65" "1 1 1" raw; head -c 10000 "$work/ball.bin"; } >"$work/broken.nrrd"
{
  printf 'ObjectType = Image\nNDims = 3\nDimSize = 65 65 65\nElementType = MET_UCHAR\n'
  printf 'ElementDataFile = LOCAL\n'
  cat "$work/combined.bin"
} >"$work/combined.mha"
cp "$build/scan.raw" "$build/scan.raw.inf" "$work/"

# The sanitizers, as the test builds run them: stop at the first report.
source "$root/scripts/sanitizer-options.sh"
sanitized=0
if grep -q '^CALYRA_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null; then
  sanitized=1
  sanitizer_options asan "$root"
elif grep -q '^CALYRA_TSAN:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null; then
  sanitized=1
  sanitizer_options tsan "$root"
  # ThreadSanitizer makes an exact render of a 256^3 model on the window's
  # thread take over 2 s alone: there the check is for hangs.
  kAnswerMs=10000
fi

RANDOM=$seed
failures=0
fail() {
  say "FAIL: $*"
  failures=$((failures + 1))
}
alive() { kill -0 "$app" 2>/dev/null; }

# Searches that find nothing are no failure of the script.
window_named() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true; }
frame_window() { xdotool search --onlyvisible --name '^Calyra Volume Renderer' 2>/dev/null | head -1 || true; }
# A window that goes while it is being focused must not stop the stream.
focus() { timeout 3 xdotool windowfocus --sync "$1" 2>/dev/null || true; }
focus_frame() {
  local f
  f=$(frame_window)
  [[ -n $f ]] && focus "$f"
}

# Waits up to ms for a visible window whose name matches; its id on stdout.
wait_window() { # pattern ms
  local until=$(($(now_ms) + $2)) w
  while (($(now_ms) < until)); do
    w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
    [[ -n $w ]] && { echo "$w"; return 0; }
    sleep 0.05
  done
  return 1
}

# Closes every passing window (message boxes, choosers, dialogs, a menu left
# open, which is a window named after the program) by Escape.
settle() {
  local round w name menu=0
  for round in 1 2 3 4 5 6; do
    local passing=()
    for w in $(xdotool search --onlyvisible --name '.' 2>/dev/null || true); do
      name=$(xdotool getwindowname "$w" 2>/dev/null || true)
      [[ -z $name || $name =~ $kLasting || $name == "Qt Selection Owner"* ]] && continue
      passing+=("$w")
      [[ $name == calyra ]] && menu=1
      echo "  closed: $name" >>"$log"
    done
    if ((${#passing[@]} == 0)); then
      # A menu bar left active after its menu closed takes the next key.
      if ((menu)); then
        focus_frame
        xdotool key Escape
      fi
      return 0
    fi
    for w in "${passing[@]}"; do
      focus "$w"
      xdotool key Escape
    done
    sleep 0.2
  done
}

# A random point inside window w: "x y" in screen coordinates, margin m.
point_in() { # window margin
  local geometry x y wd ht
  geometry=$(xdotool getwindowgeometry --shell "$1" 2>/dev/null) || return 1
  eval "$geometry"
  x=$X; y=$Y; wd=$WIDTH; ht=$HEIGHT
  echo "$((x + $2 + RANDOM % (wd - 2 * $2 > 0 ? wd - 2 * $2 : 1))) $((y + $2 + RANDOM % (ht - 2 * $2 > 0 ? ht - 2 * $2 : 1)))"
}

# The frame's windows lie below its menu bar and above its status bar.
frame_point() {
  local f geometry
  f=$(frame_window)
  [[ -z $f ]] && return 1
  geometry=$(xdotool getwindowgeometry --shell "$f") || return 1
  eval "$geometry"
  echo "$((X + 10 + RANDOM % (WIDTH - 20))) $((Y + 40 + RANDOM % (HEIGHT - 80)))"
}

do_drag() { # button [modifier]
  local start x y steps k
  start=$(frame_point) || return 0
  read -r x y <<<"$start"
  xdotool mousemove "$x" "$y"
  [[ -n ${2:-} ]] && xdotool keydown "$2"
  xdotool mousedown "$1"
  steps=$((2 + RANDOM % 8))
  for ((k = 0; k < steps; k++)); do
    x=$((x + RANDOM % 61 - 30))
    y=$((y + RANDOM % 61 - 30))
    # Off the screen's edge xdotool would read "-20" as an option.
    ((x < 0)) && x=0
    ((y < 0)) && y=0
    xdotool mousemove "$x" "$y"
    sleep "0.0$((2 + RANDOM % 7))"
  done
  # Sometimes the hand rests before it lets go: the exact frame follows.
  ((RANDOM % 4 == 0)) && sleep 0.3
  xdotool mouseup "$1"
  [[ -n ${2:-} ]] && xdotool keyup "$2"
  return 0
}

do_wheel() {
  local at x y
  at=$(frame_point) || return 0
  read -r x y <<<"$at"
  xdotool mousemove "$x" "$y"
  xdotool click --repeat $((1 + RANDOM % 4)) --delay 40 $((4 + RANDOM % 2))
}

do_click() { # window name
  local w at x y
  w=$(window_named "$1")
  [[ -z $w ]] && return 0
  at=$(point_in "$w" 4) || return 0
  read -r x y <<<"$at"
  xdotool mousemove "$x" "$y" click 1
}

# Types path into the file chooser titled title, once it is up.
choose_file() { # title path
  local d
  d=$(wait_window "^$1\$" 5000) || { fail "no \"$1\" chooser"; return 1; }
  # Typed before the chooser has the focus, the name's letters would reach
  # the frame as commands ('t' a render type, '-' a pan).
  local tries=0
  until focus "$d"; [[ $(xdotool getwindowfocus 2>/dev/null) == "$d" ]]; do
    ((++tries < 5)) || { fail "the \"$1\" chooser takes no focus"; return 1; }
    sleep 0.3
  done
  xdotool type --delay 5 "$2"
  xdotool key Return
  # A completion list may take the first Return.
  sleep 0.3
  if [[ -n $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null) ]]; then
    focus "$d"
    xdotool key Return
  fi
}

do_open() { # file
  focus_frame
  xdotool key ctrl+o
  choose_file "Open Volume" "$work/$1" || return 0
  if [[ $1 == *.raw ]]; then
    local d
    d=$(wait_window '^Volume File Import$' 5000) || return 0
    focus "$d"
    xdotool key Return
  fi
}

do_preset() {
  focus_frame
  xdotool key alt+d t
  # The window, new or raised, gives its curve the focus; the preset list
  # is three fields before it.
  sleep 0.5
  xdotool key --delay 100 shift+Tab shift+Tab shift+Tab
  if ((RANDOM % 2)); then xdotool key Down; else xdotool key Up; fi
}

do_movie() { # file
  local d
  rm -f "$work/$1"
  focus_frame
  xdotool key alt+f e
  # With no image shown a message box says so; the next settle closes it.
  d=$(wait_window '^Save Movie$' 3000) || return 0
  focus "$d"
  xdotool key alt+f ctrl+a
  xdotool type "$((2 + RANDOM % 5))"
  xdotool key alt+i ctrl+a
  xdotool type --delay 5 "$work/$1"
  xdotool key Return
  ((RANDOM % 2)) || return 0
  # The progress box has the dialog's caption.
  local until=$(($(now_ms) + kAnswerMs * 5))
  while [[ -n $(window_named 'Save Movie') ]] && (($(now_ms) < until)); do sleep 0.1; done
}

# Saves the view and the picture of the exact frame, then renders the view
# with calyra-render at the picture's size: the pixels must be the same.
# Returns 2 when there was nothing to check (no volume, no render window).
checks=0
attempts=0
do_check() {
  attempts=$((attempts + 1))
  local n=$attempts view pic batch width result
  view=$work/view-$n.view
  pic=$work/frame-$n.png
  # A running demonstration turns the view between the two saves.
  focus_frame
  xdotool key D
  settle
  focus_frame
  xdotool key alt+f v
  choose_file "Save View" "$view" || return 0
  settle
  if [[ ! -f $view ]]; then
    echo "  check $n: no view to save" >>"$log"
    return 2
  fi
  if grep -q '^stereo 1' "$view"; then
    # calyra-render draws one image, not the pair.
    focus_frame
    xdotool key alt+p s
    settle
    rm -f "$view"
    focus_frame
    xdotool key alt+f v
    choose_file "Save View" "$view" || return 0
    settle
  fi
  focus_frame
  xdotool key ctrl+s
  choose_file "Save Image" "$pic" || return 0
  settle
  if [[ ! -f $pic ]]; then
    # The render window was closed: Save Image said there is no image.
    echo "  check $n: no image to save" >>"$log"
    return 2
  fi
  checks=$((checks + 1))
  # The PNG header's width, big-endian at byte 16.
  width=$(od -An -tu1 -j16 -N4 "$pic" | awk '{print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4}')
  for source in "$pic" "$view"; do
    batch=$work/batch-$n-$(basename "$source").png
    if ! (cd "$build" && "$render" --view "$source" --size "$width" --out "$batch") >>"$log" 2>&1; then
      fail "check $n: calyra-render --view $source failed"
      continue
    fi
    if result=$("$compare" "$pic" "$batch"); then
      echo "  check $n ($(basename "$source")): $result" >>"$log"
    else
      fail "check $n: the window's frame and calyra-render's of $(basename "$source"): $result"
    fi
  done
  return 0
}

# The About box must come up and go again within the limit.
answers=0
slowest=0
total_ms=0
rss_log=$work/rss.txt
: >"$rss_log"
probe() {
  local t0 t1 w took
  focus_frame
  t0=$(now_ms)
  xdotool key alt+slash
  if ! w=$(wait_window "^$kAboutTitle\$" "$kAnswerMs"); then
    fail "no answer within $kAnswerMs ms after $1"
    settle
    return 1
  fi
  focus "$w"
  xdotool key Escape
  while [[ -n $(xdotool search --onlyvisible --name "^$kAboutTitle\$" 2>/dev/null) ]]; do
    if (($(now_ms) - t0 > kAnswerMs)); then
      fail "the About box stayed up after $1"
      settle
      return 1
    fi
    sleep 0.02
  done
  t1=$(now_ms)
  took=$((t1 - t0))
  answers=$((answers + 1))
  total_ms=$((total_ms + took))
  ((took > slowest)) && slowest=$took
  echo "$((SECONDS - started)) $(awk '/^(VmRSS|RssAnon)/ {printf "%s ", $2}' "/proc/$app/status")" >>"$rss_log"
}

# A quiet state to measure resident memory in: the ball, no demonstration.
resident_at_rest() {
  focus_frame
  xdotool key alt+f Return
  settle
  sleep 1
  awk '/^VmRSS/ {print $2}' "/proc/$app/status"
}
# Of it, the program's own memory (heap and anonymous maps): what a leak
# grows, where the rest is library code paged in as commands first run.
anonymous_at_rest() {
  awk '/^RssAnon/ {print $2}' "/proc/$app/status"
}

# The program, from the build folder, where the head data set and help file
# are; its Open Recent list kept with the soak's files, not the user's.
export CALYRA_SETTINGS=$work/calyra.conf
(cd "$build" && exec "$program") >"$work/program.log" 2>&1 &
app=$!
if ! welcome=$(wait_window '^Welcome$' 60000); then
  say "soak: the program did not come up (see $work/program.log)"
  exit 1
fi
focus "$welcome"
xdotool key Return
wait_window '^Calyra Volume Renderer' 10000 >/dev/null

if [[ -n ${CALYRA_SOAK_ONLY:-} ]]; then
  chosen=()
  for row in "${kCommands[@]}"; do
    read -r name _ <<<"$row"
    [[ " $CALYRA_SOAK_ONLY " == *" $name "* ]] && chosen+=("$row")
  done
  ((${#chosen[@]} > 0)) || { echo "soak: no command named in CALYRA_SOAK_ONLY"; exit 1; }
  kCommands=("${chosen[@]}")
fi
weights=0
for row in "${kCommands[@]}"; do
  read -r _ weight _ <<<"$row"
  weights=$((weights + weight))
done
pick() {
  local r=$((RANDOM * 32768 + RANDOM)) row weight
  r=$((r % weights))
  for row in "${kCommands[@]}"; do
    read -r _ weight _ <<<"$row"
    if ((r < weight)); then
      echo "$row"
      return
    fi
    r=$((r - weight))
  done
}

say "soak: $seconds s, seed $seed, $build, display $DISPLAY"
started=$SECONDS
commands=0
first_minute=
first_anonymous=
# The stream opens with a tour, each command once in the table's order, so
# that the first minute's resident memory holds every library the commands
# page in; growth after it is the program's own.
tour=("${kCommands[@]}")
while ((SECONDS - started < seconds)); do
  if ((${#tour[@]} > 0)); then
    row=${tour[0]}
    tour=("${tour[@]:1}")
  else
    row=$(pick)
  fi
  read -r name _ kind words <<<"$row"
  echo "$((SECONDS - started)) $name" >>"$log"
  case $kind in
    keys) focus_frame; read -ra k <<<"$words"; xdotool key --delay 30 "${k[@]}" ;;
    key) read -ra k <<<"$words"; xdotool key --delay 30 "${k[@]}" ;;
    drag) do_drag $words ;;
    wheel) do_wheel ;;
    click) do_click "$words" ;;
    open) do_open "$words" ;;
    movie) do_movie "$words" ;;
    preset) do_preset ;;
    check) do_check || true ;;
  esac
  commands=$((commands + 1))
  sleep 0.1
  settle
  if ! alive; then
    fail "the program ended after $name"
    break
  fi
  probe "$name" || true
  if [[ -z $first_minute ]] && ((${#tour[@]} == 0)) &&
     ((SECONDS - started >= 60 || seconds < 120 && SECONDS - started >= seconds / 2)); then
    first_minute=$(resident_at_rest)
    first_anonymous=$(anonymous_at_rest)
    say "resident after the first minute: $first_minute kB ($first_anonymous kB anonymous)"
  fi
done

if alive; then
  settle
  # The last frame is checked; with no image shown, one is made first.
  if ! do_check; then
    focus_frame
    xdotool key alt+f Return
    settle
    do_check || fail "no frame to check at the end"
  fi
  end_rss=$(resident_at_rest)
  say "resident at the end: $end_rss kB ($(anonymous_at_rest) kB anonymous; first minute ${first_minute:-?} kB, ${first_anonymous:-?} kB)"
  if [[ $sanitized == 0 && $seconds -ge 120 && -n $first_minute ]] &&
     ((end_rss * 10 > first_minute * 11)); then
    fail "resident memory grew by more than 10 %"
  fi
  # Exit through the menu: leaks are reported on the way out.
  focus_frame
  xdotool key alt+f x
  for _ in $(seq 600); do alive || break; sleep 0.1; done
fi
status=0
if alive; then
  fail "the program did not exit"
else
  wait "$app" || status=$?
  app=
  ((status != 0)) && fail "the program exited with status $status"
fi
if grep -qE 'ERROR: (Address|Leak)Sanitizer|runtime error|WARNING: ThreadSanitizer' "$work/program.log"; then
  fail "a sanitizer reported (see $work/program.log)"
  grep -E -m 5 'ERROR|runtime error|WARNING' "$work/program.log" | tee -a "$log"
fi

say "soak: $commands commands, $answers answers (mean $((total_ms / (answers > 0 ? answers : 1))) ms, slowest $slowest ms), $checks frame checks, $failures failures"
exit $((failures > 0))
