#!/usr/bin/env bash
# Runs the README's "Many machines" recipe for real: GNU parallel sends eight
# clips over SSH to two "hosts" and brings the GIFs back. Both hosts are one
# OpenSSH server that this test starts on 127.0.0.1 with throwaway keys in a
# temporary folder; the machine's own SSH set-up is neither read nor changed.
# A second run has one host entry that refuses connections.
# Usage: parallel-ssh-test.sh BUILD_DIR SOURCE_DIR
# Exit status 77: skipped, because no SSH server can run here.
set -euo pipefail
BUILD=$(cd "$1" && pwd)
SOURCE=$(cd "$2" && pwd)
WORK=$(mktemp -d "${TMPDIR:-/tmp}/sablewick-parallel-test.XXXXXX")
SSHD_PID=
MADE_PRIVSEP=
REMOTE_HOME=$(getent passwd "$(id -un)" | cut -d: -f6)
# GNU parallel's working folders go under the remote home's .parallel/tmp;
# what this test makes there it removes again.
HAD_PARALLEL_DIR=
[ ! -e "$REMOTE_HOME/.parallel" ] || HAD_PARALLEL_DIR=1
cleanup() {
  # Only the server this test started.
  if [ -n "$SSHD_PID" ]; then
    kill "$SSHD_PID" 2>/dev/null || true
    wait "$SSHD_PID" 2>/dev/null || true
  fi
  [ -z "$MADE_PRIVSEP" ] || rmdir /run/sshd 2>/dev/null || true
  if [ -z "$HAD_PARALLEL_DIR" ]; then
    rmdir "$REMOTE_HOME/.parallel/tmp" "$REMOTE_HOME/.parallel" 2>/dev/null || true
  fi
  chmod -R u+w "$WORK" 2>/dev/null || true
  [ -n "${KEEP_WORK:-}" ] || rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
skip() { echo "SKIPPED: $*"; exit 77; }

for tool in ssh ssh-keygen parallel rsync jq ffmpeg; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/bootstrap installs it)"
done
SSHD=/usr/sbin/sshd
[ -x "$SSHD" ] || skip "no OpenSSH server at $SSHD (package openssh-server)"

# sshd will not start without its privilege separation folder, which the
# package's service makes at boot; where there is no service it is missing.
if [ ! -d /run/sshd ]; then
  if [ "$(id -u)" -eq 0 ] && mkdir -m 0755 /run/sshd 2>/dev/null; then
    MADE_PRIVSEP=1
  else
    skip "/run/sshd is missing and cannot be made, so sshd cannot run here"
  fi
fi

# --- keys, server and client configuration, all in $WORK/ssh ---------------
SSHDIR=$WORK/ssh
mkdir -m 0700 "$SSHDIR"
ssh-keygen -q -t ed25519 -N '' -C sablewick-test-host -f "$SSHDIR/host_key"
ssh-keygen -q -t ed25519 -N '' -C sablewick-test-user -f "$SSHDIR/user_key"
cp "$SSHDIR/user_key.pub" "$SSHDIR/authorized_keys"

# What the "remote" side runs: a copy of the built program whose folder is not
# writable, so that it reads the settings file that --basefile sends (as an
# installed program run by an ordinary user does), and a temporary folder of
# its own to look into afterwards.
PROGRAM=$WORK/program
REMOTE_TMP=$WORK/remote-tmp
mkdir -p "$PROGRAM" "$REMOTE_TMP"
cp "$BUILD/bin/sablewick-cli" "$BUILD/bin/video.dll" "$BUILD/bin/imgconv.dll" "$PROGRAM/"
cp "$BUILD/bin/TellurvaneInfo.ini" "$PROGRAM/"
chmod a-w "$PROGRAM"

USER_NAME=$(id -un)
# A port nobody listens on: a connection there is refused.
free_port() {
  local port
  while :; do
    port=$((20000 + RANDOM % 40000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      echo "$port"
      return
    fi
  done
}

start_sshd() {
  local port=$1
  cat > "$SSHDIR/sshd_config" <<EOF
ListenAddress 127.0.0.1
Port $port
HostKey $SSHDIR/host_key
PidFile none
AuthorizedKeysFile $SSHDIR/authorized_keys
# The keys live in a temporary folder under /tmp, which is writable by all.
StrictModes no
PubkeyAuthentication yes
PasswordAuthentication no
KbdInteractiveAuthentication no
PermitRootLogin prohibit-password
AllowUsers $USER_NAME
UsePAM no
X11Forwarding no
AllowTcpForwarding no
PermitUserEnvironment no
SetEnv PATH=$PROGRAM:/usr/local/bin:/usr/bin:/bin TMPDIR=$REMOTE_TMP LSAN_OPTIONS=${LSAN_OPTIONS:-} ASAN_OPTIONS=${ASAN_OPTIONS:-}
EOF
  "$SSHD" -t -f "$SSHDIR/sshd_config" 2> "$WORK/sshd-check.log" \
    || skip "sshd refuses to run here: $(tr '\n' ' ' < "$WORK/sshd-check.log")"
  : > "$WORK/sshd.log"
  "$SSHD" -D -e -f "$SSHDIR/sshd_config" 2>> "$WORK/sshd.log" &
  SSHD_PID=$!
  # Until it listens or ends; each look waits for the log to grow.
  while kill -0 "$SSHD_PID" 2>/dev/null; do
    grep -q "Server listening on 127.0.0.1 port $port" "$WORK/sshd.log" && return 0
    timeout 1 tail -n0 -f "$WORK/sshd.log" >/dev/null 2>&1 || true
  done
  wait "$SSHD_PID" || true
  SSHD_PID=
  return 1
}

for attempt in 1 2 3 4 5; do
  PORT=$(free_port)
  start_sshd "$PORT" && break
  # Taken between the look and the bind: another port. Anything else: no sshd here.
  grep -q 'Address already in use' "$WORK/sshd.log" \
    || skip "sshd could not start: $(tr '\n' ' ' < "$WORK/sshd.log")"
done
[ -n "$SSHD_PID" ] || skip "sshd found no free port"
DOWN_PORT=$(free_port)
while [ "$DOWN_PORT" = "$PORT" ]; do DOWN_PORT=$(free_port); done

echo "[127.0.0.1]:$PORT $(cut -d' ' -f1,2 "$SSHDIR/host_key.pub")" > "$SSHDIR/known_hosts"
cat > "$SSHDIR/config" <<EOF
Host farm-a farm-b
  HostName 127.0.0.1
  Port $PORT
Host farm-down
  HostName 127.0.0.1
  Port $DOWN_PORT
Host *
  User $USER_NAME
  IdentityFile $SSHDIR/user_key
  IdentitiesOnly yes
  UserKnownHostsFile $SSHDIR/known_hosts
  GlobalKnownHostsFile /dev/null
  StrictHostKeyChecking yes
  BatchMode yes
  ConnectTimeout 20
EOF
SSH="ssh -F $SSHDIR/config"
out=$($SSH farm-a 'echo "$TMPDIR"') \
  || fail "the test's own key is not accepted: $(tail -n 5 "$WORK/sshd.log" | tr '\n' ' ')"
[ "$out" = "$REMOTE_TMP" ] || fail "the server did not set the session's environment ($out)"
if err=$($SSH farm-down true 2>&1); then fail "farm-down accepted a connection"; fi
grep -q 'Connection refused' <<< "$err" || fail "farm-down did not refuse: $err"

# --- the farm folder as the README sets it up ---------------------------------
# GNU parallel's citation notice is answered in this test's own home.
export HOME=$WORK/home
mkdir -p "$HOME/.parallel"
touch "$HOME/.parallel/will-cite"
FARM=$WORK/farm
mkdir -p "$FARM/clips" "$FARM/sablewick"
# The settings sent to every host: 64x48 frames, two a second.
cat > "$FARM/sablewick/TellurvaneInfo.ini" <<'EOF'
[TellurvaneInfo]
Start=0
End=Default
ResolutionX=Default
ResolutionY=Default
VBRValue=Default
ImagesPerSecond=0.50
TimeDelay=0.00
FileFormat=0
Loop=0
EOF
CLIPS=()
patterns=(testsrc testsrc2 smptebars rgbtestsrc mandelbrot life cellauto yuvtestsrc)
for i in 1 2 3 4 5 6 7 8; do
  # One name with a space, as real archives have.
  name="clip$i"
  [ "$i" -ne 3 ] || name="clip $i"
  ffmpeg -nostdin -loglevel error -f lavfi -i "${patterns[$((i - 1))]}=size=64x48:rate=10" \
    -t 2 -pix_fmt yuv420p "$FARM/clips/$name.mp4"
  CLIPS+=("clips/$name.mp4")
done
printf '%s\n' "${CLIPS[@]}" > "$FARM/clips.txt"

# The recipe, exactly as the README shows it.
awk '/<!-- many-machines-recipe -->/ {on = 1; next} on && /^```/ {if (started) exit; started = 1; next} on && started' \
  "$SOURCE/README.md" > "$WORK/recipe.sh"
grep -q 'parallel' "$WORK/recipe.sh" || fail "no recipe found in the README"

remote_leftovers() {
  # What the runs leave on the "remote" side: parallel's working folders of
  # this run, and anything in the program's temporary folder.
  find "$REMOTE_TMP" -mindepth 1 -type f
  if [ -d "$REMOTE_HOME/.parallel/tmp" ]; then
    find "$REMOTE_HOME/.parallel/tmp" -mindepth 1 -maxdepth 1 -newer "$WORK/start-mark"
  fi
}

run_recipe() {
  local hosts=$1
  printf '%s\n' "$@" | tail -n +2 > "$FARM/hosts"
  rm -rf "$FARM/gifs" "$FARM/jobs.log" "$FARM/results.jsonl"
  touch "$WORK/start-mark"
  (cd "$FARM" && bash -e "$WORK/recipe.sh") > "$WORK/$hosts.out" 2> "$WORK/$hosts.err" \
    || fail "the $hosts run failed: $(cat "$WORK/$hosts.err")"
  [ ! -s "$WORK/$hosts.out" ] || fail "the recipe printed $(cat "$WORK/$hosts.out")"
  if grep -qi 'citation\|will-cite' "$WORK/$hosts.err"; then
    fail "GNU parallel asked for a citation: $(cat "$WORK/$hosts.err")"
  fi
}

check_results() {
  local what=$1
  # Every GIF came back, in a folder per input.
  for clip in "${CLIPS[@]}"; do
    local stem=${clip%.mp4}
    local gif="$FARM/gifs/$stem/${stem#clips/}.gif"
    [ -s "$gif" ] || fail "$what: $gif did not come back"
    [ "$(head -c 6 "$gif")" = GIF89a ] || fail "$what: $gif is not a GIF"
  done
  # The joblog: one line per input whose last try ended with status 0.
  # Columns: Seq Host Starttime JobRuntime Send Receive Exitval Signal Command.
  local ok
  ok=$(awk -F'\t' 'NR > 1 && $7 == 0 && $8 == 0 {print $1}' "$FARM/jobs.log" | sort -un | wc -l)
  [ "$ok" -eq 8 ] || fail "$what: $ok of 8 jobs ended with status 0: $(cat "$FARM/jobs.log")"
  # The JSON lines parse and name every input once, with its GIF and its size.
  [ "$(wc -l < "$FARM/results.jsonl")" -eq 8 ] \
    || fail "$what: not eight JSON lines: $(cat "$FARM/results.jsonl")"
  jq -e . "$FARM/results.jsonl" > /dev/null || fail "$what: the JSON lines do not parse"
  diff <(printf '%s\n' "${CLIPS[@]}" | sort) <(jq -r .input "$FARM/results.jsonl" | sort) \
    || fail "$what: the JSON lines do not name every input"
  while IFS= read -r line; do
    local input gif bytes
    input=$(jq -r .input <<< "$line")
    [ "$(jq -r .result <<< "$line")" = success ] || fail "$what: $line"
    [ "$(jq -r '.frames > 0 and .seconds >= 0 and .reason == null' <<< "$line")" = true ] \
      || fail "$what: $line"
    gif=$(jq -r '.outputs | if length == 1 then .[0] else error("outputs") end' <<< "$line") \
      || fail "$what: not one output in $line"
    local stem=${input%.mp4}
    [ "$gif" = "gifs/$stem/${stem#clips/}.gif" ] || fail "$what: output $gif for $input"
    bytes=$(jq -r .bytes <<< "$line")
    [ "$bytes" -eq "$(stat -c %s "$FARM/$gif")" ] || fail "$what: $bytes bytes for $gif"
  done < "$FARM/results.jsonl"
  local left
  left=$(remote_leftovers)
  [ -z "$left" ] || fail "$what: left on the remote side: $left"
}

# Two host entries on the one server.
run_recipe two-hosts "2/$SSH farm-a" "2/$SSH farm-b"
check_results "two hosts"
hosts_used=$(awk -F'\t' 'NR > 1 {print $2}' "$FARM/jobs.log" | sort -u | wc -l)
[ "$hosts_used" -eq 2 ] || fail "two hosts: the jobs ran on $hosts_used host entries"
echo "two hosts: joblog"
cat "$FARM/jobs.log"
echo "two hosts: JSON lines"
cat "$FARM/results.jsonl"

# One entry refuses every connection: the other converts everything.
run_recipe one-down "2/$SSH farm-down" "2/$SSH farm-a"
check_results "one host down"
echo "one host down: joblog"
cat "$FARM/jobs.log"
echo "GNU parallel over SSH: OK"
