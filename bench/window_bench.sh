#!/bin/bash
# The real game in a window on a virtual display (Xvfb), driven by xdotool:
#   - start-up: from starting the program to its first presented title frame
#   - updates and drawn frames per second over 10 s of the idle editor (a new
#     stage) and of runs of a 300-item and a 500-item stage
#   - CPU of the game while its window is minimised (during the 500-item run)
# It builds nothing: build first (cmake --build build), then from anywhere
#
#   bench/window_bench.sh [build-folder]
#
# With WINDOW_BENCH_STARTUP_RUNS=N it measures only the start-up, N times
# (each a fresh program that is ended at its first frame), and prints each
# and then their median, fastest and slowest.
#
# The game reports its own frame counts when GIZMOWORKS_FRAME_LOG is set: the
# wall-clock time of its first presented frame and, once a second, the
# frames paced (updated) and drawn since start-up. The stages are written by
# build/bench/make_bench_stages with the game's own stage writer. The figures
# come last, on one line.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
game=$root/gizmoworks
[ -x "$game" ] || { echo "no game at $game: build first" >&2; exit 1; }
[ -x "$build/bench/make_bench_stages" ] || { echo "no $build/bench/make_bench_stages: build first" >&2; exit 1; }

if [ -z "${WINDOW_BENCH_ON_XVFB:-}" ]; then
  WINDOW_BENCH_ON_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build"
fi

work=$build/window_bench
rm -rf "$work" && mkdir -p "$work"
cp "$game" "$work/gizmoworks"
ln -s "$root/data" "$work/data"
"$build/bench/make_bench_stages" "$work" >/dev/null || exit 1
# Config.dat: the window at (0, 0) and an editor name, so a new stage asks
# for none.
printf '\0\0\0\0\0\0\0\0\0\0\0\0bench' >"$work/Config.dat"
head -c 35 /dev/zero >>"$work/Config.dat"

log=$work/game.log
pid=
finish() { [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; }
trap finish EXIT

fail() {  # the reason, and a picture of the screen to see why
  echo "$1" >&2
  import -window root "$work/failure.png" 2>/dev/null && echo "see $work/failure.png" >&2
  exit 1
}

wait_for() {  # wait_for <seconds> <command...>: true once the command is
  local until=$((SECONDS + $1)); shift
  while ! "$@" >/dev/null 2>&1; do
    [ $SECONDS -ge $until ] && return 1
    sleep 0.05
  done
}
# The game's windows are found by its process and whole name: a name pattern
# finds a dialog's name inside the main window's longer title, and a window
# of another program on the display may bear the same name.
shown_windows() {  # the ids of the game's shown windows named exactly $1
  local w
  for w in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
    [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$1" ] && echo "$w"
  done
}
has_window() { [ -n "$(shown_windows "$1")" ]; }
no_window() { [ -z "$(shown_windows "$1")" ]; }
wait_window() {  # wait_window <seconds> <name>: the first such window's id; fails when none came
  wait_for "$1" has_window "$2" && shown_windows "$2" | head -1
}
wait_no_window() {  # wait_no_window <seconds> <name>: fails when one stayed
  wait_for "$1" no_window "$2"
}
# The main window's title names the stage; a message box bears the game's
# bare name.
game_name='ギズモワークス Ver.1.10'
titled() { xdotool getwindowname "$win" 2>/dev/null | grep -qF -- "$1"; }
titled_or_asked() { titled "$1" || has_window "$game_name"; }

last_log() { grep '^frame_log' "$log" | tail -1; }
field() { sed -n "s/.* $1=\([0-9]*\).*/\1/p" <<<"$2"; }

# Updates and drawn frames per second over the next $1 seconds, from the
# game's own counts.
rates() {
  local a b
  a=$(last_log); sleep "$1"; b=$(last_log)
  local ms=$(($(field ms "$b") - $(field ms "$a")))
  local paced=$(($(field paced "$b") - $(field paced "$a")))
  local drawn=$(($(field drawn "$b") - $(field drawn "$a")))
  awk -v p=$paced -v d=$drawn -v ms=$ms 'BEGIN { printf "%.1f %.1f\n", p * 1000 / ms, d * 1000 / ms }'
}

press() {  # held long enough for a paced frame to see it
  xdotool keydown "$1"; sleep 0.15; xdotool keyup "$1"
}

open_stage() {  # the open dialog from the editor's Ctrl+O, then the file's name
  local chooser='ステージファイルの読み込み'
  press ctrl+o
  wait_window 20 "$chooser" >/dev/null || fail "no open dialog"
  sleep 0.5
  xdotool type --delay 20 "$1.stg"; sleep 0.3; xdotool key Return
  wait_no_window 20 "$chooser" || fail "the open dialog stayed"
  # The editor's stage changed during the runs: it is not to be saved.
  wait_for 30 titled_or_asked "$1" || fail "$1 did not open"
  if ! titled "$1"; then
    xdotool key alt+n
    wait_for 30 titled "$1" || fail "$1 did not open"
  fi
  sleep 1
}

mode_is() { [ "$(field mode "$(last_log)")" = "$1" ]; }

start_run() {  # test play from the editor's menu (Alt+T), then Space runs it
  press alt+t
  wait_for 10 mode_is 1 || fail "no test play"
  press space
  wait_for 10 mode_is 2 || fail "no run"
}

stop_run() {  # Space stops the run, Alt+T leaves the test play
  press space
  wait_for 10 mode_is 1 || fail "the run did not stop"
  press alt+t
  wait_for 10 mode_is 0 || fail "the test play did not end"
}

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }

start_game() {  # sets pid and startup_s: from starting it to its first frame
  local start_ns first_ns
  rm -f "$log"  # what the last run wrote must not be taken for this one's
  start_ns=$(date +%s%N)
  GIZMOWORKS_FRAME_LOG=1 "$work/gizmoworks" 2>"$log" >/dev/null &
  pid=$!
  wait_for 60 grep -q '^first_frame_wall_ns=' "$log" || { cat "$log" >&2; fail "no first frame"; }
  first_ns=$(sed -n 's/^first_frame_wall_ns=//p' "$log")
  startup_s=$(awk -v a="$start_ns" -v b="$first_ns" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')
}

if [ -n "${WINDOW_BENCH_STARTUP_RUNS:-}" ]; then
  all=()
  for ((i = 0; i < WINDOW_BENCH_STARTUP_RUNS; ++i)); do
    start_game
    kill -KILL "$pid"; wait "$pid" 2>/dev/null; pid=
    echo "start-up $((i + 1)): $startup_s s"
    all+=("$startup_s")
    sleep 0.3
  done
  sorted=($(printf '%s\n' "${all[@]}" | sort -n))
  n=${#sorted[@]}
  echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
  echo "startup_s=${sorted[$((n / 2))]} startup_min_s=${sorted[0]} startup_max_s=${sorted[$((n - 1))]} runs=$n"
  exit 0
fi

start_game

win=$(wait_window 20 "$game_name") || fail "no game window"
eval "$(xdotool getwindowgeometry --shell "$win")"
# Without a window manager the keyboard follows the pointer.
xdotool mousemove $((X + 320)) $((Y + HEIGHT - 240))
sleep 1

press ctrl+n
wait_for 20 titled '新規ステージ' || fail "no editor"
sleep 2
read -r editor_ups editor_fps <<<"$(rates 10)"
echo "idle editor:   $editor_ups updates/s, $editor_fps drawn/s"

open_stage bench300
start_run
sleep 1
read -r run300_ups run300_fps <<<"$(rates 10)"
mode_is 2 || fail "the 300-item run ended early"
echo "300-item run:  $run300_ups updates/s, $run300_fps drawn/s"
stop_run
sleep 1

open_stage bench500
start_run
sleep 1
read -r run500_ups run500_fps <<<"$(rates 10)"
mode_is 2 || fail "the 500-item run ended early"
echo "500-item run:  $run500_ups updates/s, $run500_fps drawn/s"

# Minimised: with no window manager on the display an unmap by another client
# is what the toolkit takes for iconified.
if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window; then
  xdotool windowminimize "$win"
else
  xdotool windowunmap "$win"
fi
sleep 1
read -r min_ups min_fps <<<"$(rates 1)"
t0=$(cpu_ticks); sleep 5; t1=$(cpu_ticks)
minimised_cpu_pct=$(awk -v t=$((t1 - t0)) -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.1f", t * 100 / hz / 5 }')
read -r min_ups min_fps <<<"$(rates 3)"
echo "minimised:     $min_ups frames paced/s, $min_fps drawn/s, $minimised_cpu_pct % of a core"
xdotool windowmap "$win"

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), renderer: Mesa software (Xvfb)"
echo "startup_s=$startup_s run300_ups=$run300_ups run300_fps=$run300_fps run500_ups=$run500_ups run500_fps=$run500_fps editor_fps=$editor_fps minimised_cpu_pct=$minimised_cpu_pct"
