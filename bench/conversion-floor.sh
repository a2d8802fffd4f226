#!/usr/bin/env bash
# Whole conversion (video.dll frames, then imgconv.dll) against decoding alone, in the same
# run, per clip and profile (P1, P2 of ../shared/bench/README.md): the ratio of their wall
# times, median over RUNS runs (each run alternates the commands), and the geometric mean of
# the ratios over the clips. Several image tools can be compared in the same run.
#
#   SABLEWICK_CORPUS=/work/corpus bench/conversion-floor.sh
#   IMGCONVS="old=/tmp/old-imgconv new=build-rel/bin/imgconv.dll" RUNS=3 PROFILES=P2 \
#     CLIPS="nat_boats_zoom syn_life" bench/conversion-floor.sh
#
# Decoding alone is the ffmpeg program decoding the same stretch to nothing
# (-ss S -t T -i CLIP -f null -), on all cores as a conversion's decoder would.
set -uo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
CORPUS=${SABLEWICK_CORPUS:-$ROOT/bench/out/corpus}
BUILD=${BUILD:-$ROOT/build-rel}
RUNS=${RUNS:-3}
PROFILES=${PROFILES:-P1 P2}
IMGCONVS=${IMGCONVS:-ours=$BUILD/bin/imgconv.dll}

[ -d "$CORPUS/dev" ] || "$ROOT/../shared/bench/make-corpus.sh" "$CORPUS"
if [ ! -x "$BUILD/bin/video.dll" ] || [ ! -x "$BUILD/bin/imgconv.dll" ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSABLEWICK_SANITIZE=OFF \
    -DSABLEWICK_TESTS=OFF >/dev/null
  cmake --build "$BUILD" -j2 --target video_tool imgconv_tool >/dev/null
fi

SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/conversion-floor.XXXXXX")
trap 'rm -rf "$SCRATCH"' EXIT
# Copies under other names: tests of the program's Stop end every video.dll*/imgconv*
# process of the user, and must not end these runs.
cp "$BUILD/bin/video.dll" "$SCRATCH/vfloor"
names=()
for entry in $IMGCONVS; do
  name=${entry%%=*}
  cp "${entry#*=}" "$SCRATCH/ic-$name"
  names+=("$name")
done

seconds() { # seconds CMD...: wall time of CMD, which must succeed
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || { echo "FAILED: $*" >&2; echo NA; return; }
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

RESULTS=$SCRATCH/results.tsv
: >"$RESULTS"
clips=${CLIPS:-$(ls "$CORPUS/dev" | sed 's/\.[^.]*$//')}
for name in $clips; do
  clip=$(ls "$CORPUS/dev/$name".* | head -1)
  for profile in $PROFILES; do
    case $profile in
      P1) vargs=(-y -ss 0 -r 10.00) iargs=(-delay 10 -loop 0) fargs=(-ss 0) ;;
      P2) vargs=(-y -ss 1 -t 5 -s 480x270 -r 12.50) iargs=(-delay 8 -loop 0) fargs=(-ss 1 -t 5) ;;
    esac
    for (( r = 0; r < RUNS; r++ )); do
      decode=$(seconds ffmpeg -v error -nostdin "${fargs[@]}" -i "$clip" -f null -)
      line="$name	$profile	decode	$decode"
      echo "$line" >>"$RESULTS"
      for tool in "${names[@]}"; do
        frames=$SCRATCH/frames
        rm -rf "$frames" && mkdir -p "$frames"
        whole=$(seconds sh -c "'$SCRATCH/vfloor' -i '$clip' ${vargs[*]} '$frames/DasmereTemp%08d.png' \
          && '$SCRATCH/ic-$tool' ${iargs[*]} '$frames/DasmereTemp*.png' '$SCRATCH/out.gif'")
        echo "$name	$profile	$tool	$whole" >>"$RESULTS"
      done
    done
  done
done

python3 - "$RESULTS" "${names[@]}" <<'PY'
import sys, math, statistics as st
rows = [l.rstrip("\n").split("\t") for l in open(sys.argv[1]) if l.strip()]
tools = sys.argv[2:]
runs = {}
for clip, prof, tool, secs in rows:
    runs.setdefault((clip, prof), []).append((tool, float(secs) if secs != "NA" else None))
print(f"{'clip':24}{'prof':5}{'decode s':>9}" + "".join(f"{t + ' s':>10}{t + ' x':>8}" for t in tools))
ratios = {}
for (clip, prof), seq in runs.items():
    # Each run is a decode followed by each tool: ratios within the run.
    per = {t: [] for t in tools}
    secs = {t: [] for t in tools}
    decodes = []
    current = None
    for tool, s in seq:
        if tool == "decode":
            current = s
            decodes.append(s)
        elif s is not None and current:
            per[tool].append(s / current)
            secs[tool].append(s)
    line = f"{clip:24}{prof:5}{st.median(decodes):9.2f}"
    for t in tools:
        if per[t]:
            r = st.median(per[t])
            ratios.setdefault((prof, t), []).append(r)
            line += f"{st.median(secs[t]):10.2f}{r:8.2f}"
        else:
            line += f"{'NA':>10}{'NA':>8}"
    print(line)
print()
for (prof, t), v in sorted(ratios.items()):
    g = math.exp(sum(math.log(x) for x in v) / len(v))
    print(f"{prof} {t}: geometric mean of whole/decode over {len(v)} clips: {g:.2f}x")
PY
