#!/usr/bin/env bash
# Runs player.dll (path in $1) on clips made here, on a display the caller provides
# (xvfb-run). Checks the window, its title and size, pause, the keys, the end of a clip,
# killing, and that a file it cannot play fails before any window appears.
set -uo pipefail

player=$1
work=$(mktemp -d /tmp/player-test-XXXXXX)
failures=0
trap 'kill -9 $(jobs -p) 2> /dev/null; rm -rf "$work"' EXIT

# Scenarios run in subshells and count their own failures.
fail() { echo "FAIL: $*"; failed=1; }
ok() { echo "ok: $*"; }

# Other programs on this machine may kill every process named player.dll of this user
# (the program's own kill by name, under test elsewhere). A player that dies of SIGKILL
# we did not send makes its scenario run again, up to three times.
scenario() { # FUNCTION
  local attempt status
  for attempt in 1 2 3; do
    ( failed=0; "$1"; exit $failed )
    status=$?
    [ $status = 2 ] || break
    echo "note: a player was killed from outside; running $1 again"
  done
  [ $status = 0 ] || failures=$((failures + 1))
}

# Ends the scenario as interfered with when player $1 died of a SIGKILL not ours.
killed_from_outside() { # STATUS
  if [ "$1" = 137 ]; then exit 2; fi
}

make_clip() { # OUTPUT FFMPEG-ARGS...
  local out=$1
  shift
  ffmpeg -v error -nostdin -y "$@" "$out" || { echo "cannot make $out"; exit 1; }
}

# Waits up to 20 s for a window titled exactly $1; prints its id.
wait_window() {
  local pattern="^$(printf '%s' "$1" | sed 's/[][\.*^$]/\\&/g')\$"
  for _ in $(seq 200); do
    if xdotool search --name "$pattern" 2> /dev/null | head -1; then return 0; fi
    sleep 0.1
  done
  return 1
}

window_gone() { # TITLE: true once no window has that title (within 5 s)
  local pattern="^$(printf '%s' "$1" | sed 's/[][\.*^$]/\\&/g')\$"
  for _ in $(seq 50); do
    xdotool search --name "$pattern" > /dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}

geometry() { xdotool getwindowgeometry "$1" | sed -n 's/.*Geometry: //p'; }

snapshot() { import -silent -window "$1" "$2" 2> /dev/null; }

# Number of pixels that differ between two snapshots.
differ() { compare -metric AE "$1" "$2" null: 2>&1 | cut -d' ' -f1; }

# Mean brightness of a snapshot, 0..1.
brightness() { convert "$1" -colorspace Gray -format '%[fx:mean]' info:; }

press() { xdotool windowfocus --sync "$1" 2> /dev/null || xdotool windowfocus "$1"; xdotool key "$2"; }

bright() { awk "BEGIN { exit !($(brightness "$1") > 0.1) }"; } # SNAPSHOT

# Snapshots window $1 into $2 until `$3 ... $2` holds (within 20 s).
wait_picture() { # WINDOW FILE TEST [ARGS...]
  local w=$1 file=$2
  shift 2
  for _ in $(seq 100); do
    snapshot "$w" "$file" && "$@" "$file" && return 0
    sleep 0.2
  done
  return 1
}

unlike() { [ "$(differ "$1" "$2")" != 0 ]; } # REFERENCE SNAPSHOT

# Whether a snapshot of short.mkv shows its last picture: the left half red.
last_of_short() {
  awk "BEGIN { exit !($(convert "$1" -crop 50%x100%+0+0 -format '%[fx:mean.r - mean.g]' info:) > 0.5) }"
}

# Snapshots window $1 into $2 until two snapshots in a row, some frames apart, are
# the same (within 20 s): the picture has stopped.
wait_still() { # WINDOW FILE
  local previous="$2.previous.png"
  snapshot "$1" "$previous"
  for _ in $(seq 100); do
    sleep 0.3
    snapshot "$1" "$2" || continue
    [ "$(differ "$previous" "$2")" = 0 ] && return 0
    cp "$2" "$previous"
  done
  return 1
}

make_clip "$work/sound clip.mp4" -f lavfi -i testsrc=s=320x240:r=25:d=20 -f lavfi -i sine=d=20 \
  -ac 2 -c:v mpeg4 -c:a aac -shortest
# Its last picture (of 10) has a red left half, so that a test sees when the end is reached.
make_clip "$work/short.mkv" -f lavfi \
  -i "testsrc=s=160x120:r=10:d=1,drawbox=w=80:h=120:color=red:t=fill:enable='eq(n,9)'" -c:v mpeg4
make_clip "$work/huge.mkv" -f lavfi -i testsrc=s=2560x2048:r=5:d=1 -c:v mpeg4
make_clip "$work/sound only.wav" -f lavfi -i sine=d=1
: > "$work/empty.mp4"
printf 'Shopping list:\nmilk\n' > "$work/notes.txt"

# --- The window: title, size, a picture that moves, pause, keys, Escape.
window_scenario() {
"$player" "$work/sound clip.mp4" 2> "$work/err1" &
pid=$!
if w=$(wait_window "sound clip.mp4"); then
  ok "window titled with the file name"
  [ "$(geometry "$w")" = 320x240 ] && ok "window sized to the video" \
    || fail "window is $(geometry "$w"), expected 320x240"
  [ "$(cat /proc/$pid/comm)" = player.dll ] && ok "process named player.dll" \
    || fail "process named $(cat /proc/$pid/comm)"
  wait_picture "$w" "$work/a.png" bright && ok "picture is not black" || fail "picture is black"
  wait_picture "$w" "$work/b.png" unlike "$work/a.png" && ok "picture moves while playing" \
    || fail "picture did not change while playing"
  press "$w" space
  # Paused, the picture stops and stays; space again moves it on, so the stop was the pause.
  if wait_still "$w" "$work/c.png"; then
    sleep 1 # how long the pause is watched
    snapshot "$w" "$work/d.png"
    [ "$(differ "$work/c.png" "$work/d.png")" = 0 ] && ok "space pauses" \
      || fail "picture changed while paused"
  else
    fail "picture did not stop after space"
  fi
  press "$w" space
  wait_picture "$w" "$work/e.png" unlike "$work/d.png" && ok "space plays on" \
    || fail "picture did not move after the second space"
  # Seeking both ways, past both ends, paused and playing: the player keeps going.
  for key in Right Left Left Left Left space Right Right Right Right Right Left; do
    press "$w" $key
    sleep 0.2
  done
  kill -0 $pid 2> /dev/null && ok "seeking and pausing keep it playing" || fail "player died on keys"
  press "$w" Escape
  wait $pid
  status=$?
  killed_from_outside $status
  [ $status = 0 ] && ok "Escape closes with status 0" || fail "status $status after Escape"
  window_gone "sound clip.mp4" && ok "window gone after Escape" || fail "window left after Escape"
else
  kill -0 $pid 2> /dev/null || { wait $pid; killed_from_outside $?; }
  fail "no window for 'sound clip.mp4'"
  kill -9 $pid 2> /dev/null
fi
[ -s "$work/err1" ] && { echo "stderr:"; cat "$work/err1"; }
}
scenario window_scenario

# --- The end of a clip: the last picture stays until the window is closed; q closes.
end_scenario() {
"$player" "$work/short.mkv" &
pid=$!
if w=$(wait_window short.mkv); then
  wait_picture "$w" "$work/e.png" last_of_short || fail "the last picture never showed"
  sleep 1 # how long the window is watched after the end
  if kill -0 $pid 2> /dev/null; then
    ok "still open after the end"
    snapshot "$w" "$work/e.png"
    bright "$work/e.png" && last_of_short "$work/e.png" && ok "last picture stays" \
      || fail "window black or changed after the end"
  else
    wait $pid
    killed_from_outside $?
    fail "player ended with the clip"
  fi
  press "$w" q
  wait $pid
  status=$?
  killed_from_outside $status
  [ $status = 0 ] && ok "q closes with status 0" || fail "status $status after q"
else
  kill -0 $pid 2> /dev/null || { wait $pid; killed_from_outside $?; }
  fail "no window for short.mkv"
  kill -9 $pid 2> /dev/null
fi
}
scenario end_scenario

# --- A picture larger than the screen: scaled down, shape kept.
large_scenario() {
"$player" "$work/huge.mkv" &
pid=$!
if w=$(wait_window huge.mkv); then
  size=$(geometry "$w")
  width=${size%x*}
  height=${size#*x}
  if [ "$width" -le 1280 ] && [ "$height" -le 1024 ] \
    && [ $((width * 2048 - height * 2560)) -le 5000 ] \
    && [ $((height * 2560 - width * 2048)) -le 5000 ]; then
    ok "large video scaled down to ${size}"
  else
    fail "large video window is ${size}"
  fi
  # Killing it hard, as the program does, leaves no window behind.
  kill -KILL $pid
  wait $pid 2> /dev/null
  window_gone huge.mkv && ok "SIGKILL ends it, no window left" || fail "window left after SIGKILL"
else
  kill -0 $pid 2> /dev/null || { wait $pid; killed_from_outside $?; }
  fail "no window for huge.mkv"
  kill -9 $pid 2> /dev/null
fi
}
scenario large_scenario

# --- Files it cannot play: one line on stderr, non-zero status, never a window.
refusal_scenario() {
  "$player" "$work/$name" 2> "$work/err" &
  pid=$!
  seen=
  while kill -0 $pid 2> /dev/null; do
    xdotool search --name "$name" > /dev/null 2>&1 && seen=1
    sleep 0.05
  done
  wait $pid
  status=$?
  killed_from_outside $status
  lines=$(wc -l < "$work/err")
  if [ $status -ne 0 ] && [ "$lines" = 1 ] && grep -qF "$name" "$work/err" && [ -z "$seen" ]; then
    ok "$name refused: $(cat "$work/err")"
  else
    fail "$name: status $status, window ${seen:-none}, stderr: $(cat "$work/err")"
  fi
}
for name in "missing.mp4" "empty.mp4" "notes.txt" "sound only.wav"; do
  scenario refusal_scenario
done

# --- Arguments.
arguments_scenario() {
  "$player" --help | grep -q "usage: player.dll PATH" && ok "--help" || fail "--help"
  "$player" 2> /dev/null
  [ $? = 2 ] && ok "no argument: status 2" || fail "no argument"
}
scenario arguments_scenario

echo "$failures failed scenario(s)"
[ $failures = 0 ]
