#!/usr/bin/env bash
# Frame extraction: video.dll against the ffmpeg program with the same start, length, size
# and rate, on the benchmark corpus, writing temporary PNG frames (DasmereTemp%08d.png).
# Prints per clip and profile: wall time of each and their ratio (median over RUNS runs,
# alternating), frame counts, peak memory (/usr/bin/time, maximum resident set size) and the
# mean PSNR of our frames against ffmpeg's (ffmpeg's psnr filter), then the medians over the
# corpus.
#
#   bench/video-bench.sh                      # Release build in build-rel, 3 runs
#   RUNS=5 SABLEWICK_CORPUS=/work/corpus bench/video-bench.sh
#   HDR=1 bench/video-bench.sh                # phone-like HDR clips instead of the corpus
#   SHAPE=1 bench/video-bench.sh              # with a crop, a caption, or both
#
# With HDR=1 the clips are 10-bit HEVC made here with libx265 (1080p, 30 fps, HLG and PQ with
# HDR10 metadata, into $CORPUS/hdr/), and the peer does the same work as ours: its fps filter,
# then zscale and tonemap to 8-bit BT.709 RGB, then its scaler.
#
# With SHAPE=1 the profiles crop the middle quarter of each clip (-crop; the peer's crop
# filter), draw a caption (-caption; the peer's drawtext with the same font file, size,
# outline and place), or both; the peer's filters run in our order: fps, crop, scale, text.
#
# The peer takes frames with its fps filter (-vf fps=R): ffmpeg 5.1's output option -r adds
# up to two repeated frames at the end of the clip, the fps filter does not.
set -uo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
CORPUS=${SABLEWICK_CORPUS:-$ROOT/bench/out/corpus}
BUILD=${BUILD:-$ROOT/build-rel}
RUNS=${RUNS:-3}

HDR=${HDR:-0}
TONEMAP="zscale=t=linear:npl=100,format=gbrpf32le,zscale=p=bt709,tonemap=hable:desat=0,zscale=t=bt709:m=bt709:r=tv,format=rgb24"
if [ "$HDR" = 1 ]; then
  CLIPS=$CORPUS/hdr
  if [ ! -e "$CLIPS/hdr_pq_gradients.mp4" ]; then
    mkdir -p "$CLIPS"
    x265=(-pix_fmt yuv420p10le -c:v libx265 -preset ultrafast -color_primaries bt2020 -colorspace bt2020nc)
    ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=1920x1080:rate=30:duration=6 \
      "${x265[@]}" -x265-params log-level=error -color_trc arib-std-b67 "$CLIPS/hdr_hlg_testsrc2.mp4"
    ffmpeg -nostdin -v error -y -f lavfi -i gradients=size=1920x1080:rate=30:duration=6:speed=0.02 \
      "${x265[@]}" -color_trc smpte2084 -x265-params "log-level=error:hdr10=1:max-cll=1000,400:master-display=G(13250,34500)B(7500,3000)R(34000,16000)WP(15635,16450)L(10000000,1)" \
      "$CLIPS/hdr_pq_gradients.mp4"
  fi
else
  CLIPS=$CORPUS/dev
  if [ ! -d "$CLIPS" ]; then
    "$ROOT/../shared/bench/make-corpus.sh" "$CORPUS"
  fi
fi
if [ ! -x "$BUILD/bin/video.dll" ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSABLEWICK_TESTS=OFF >/dev/null
  cmake --build "$BUILD" -j2 --target video_tool >/dev/null
fi
[ -x "$BUILD/bin/video.dll" ] || { echo "no $BUILD/bin/video.dll" >&2; exit 1; }

SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/video-bench.XXXXXX")
trap 'rm -rf "$SCRATCH"' EXIT
# A copy under another name: on a shared machine, tests of the program's kill-by-name
# (which ends every "video.dll*" process of the user) must not end our runs.
TOOL=$SCRATCH/bench-video-tool
cp "$BUILD/bin/video.dll" "$TOOL"
RESULTS=$SCRATCH/results.tsv
: >"$RESULTS"

# profile name, start, duration (empty: to the end), size (empty: the source's), rate, shape
PROFILES=(
  "P1|0|||10.00|"
  "P2|1|5|480x270|12.50|"
)
if [ "${SHAPE:-0}" = 1 ]; then
  PROFILES=(
    "C1|1|5|480x270|12.50|crop"
    "C2|1|5|480x270|12.50|caption"
    "C3|0|||10.00|crop+caption"
    "C4|0|||10.00|caption"
  )
fi
CAPTION="Sablewick benchmark"
FONT=$(fc-match -f '%{file}' 'sans-serif:style=Bold')

# The peer's drawtext drawing the caption as video.dll does on a picture HEIGHT high.
drawtext() { # HEIGHT
  local h=$1 size outline margin
  size=$(( h / 12 > 8 ? h / 12 : 8 ))
  outline=$(( (size + 8) / 16 > 1 ? (size + 8) / 16 : 1 ))
  margin=$(( (h / 40 > 2 ? h / 40 : 2) + outline ))
  echo "drawtext=fontfile=$FONT:text=$CAPTION:expansion=none:fontsize=$size:fontcolor=white:bordercolor=black@0.85:borderw=$outline:x=(w-text_w)/2:y=$(( h - margin - (size + size / 4 + 2 * outline) + outline ))"
}

measure() { # OUTFILE command... : runs it, appends "seconds peakKB" ("nan nan" on failure)
  local out=$1; shift
  if /usr/bin/time -f "%e %M" -o "$SCRATCH/time" "$@" >/dev/null 2>"$SCRATCH/stderr"; then
    tail -n 1 "$SCRATCH/time" >>"$out"
  else
    echo "failed: $*" >&2; cat "$SCRATCH/stderr" "$SCRATCH/time" >&2
    echo "nan nan" >>"$out"
  fi
}

for spec in "${PROFILES[@]}"; do
  IFS='|' read -r name ss t size rate shape <<<"$spec"
  rate=${rate// /}
  ours_args=(-y -ss "$ss")
  peer_args=(-ss "$ss")
  [ -n "$t" ] && ours_args+=(-t "$t") && peer_args+=(-t "$t")
  [ -n "$size" ] && ours_args+=(-s "$size")
  ours_args+=(-r "$rate")
  filter="fps=$rate"
  [ "$HDR" = 1 ] && filter="$filter,$TONEMAP"
  [ -n "$size" ] && filter="$filter,scale=${size/x/:}"

  for clip in "$CLIPS"/*.{mp4,mkv,avi,webm}; do
    [ -e "$clip" ] || continue
    base=$(basename "$clip")
    ours=$SCRATCH/ours; peer=$SCRATCH/peer
    shaped=("${ours_args[@]}"); vf=$filter
    if [ -n "$shape" ]; then
      read -r cw ch < <(ffprobe -v error -select_streams v:0 -show_entries stream=width,height \
        -of csv=p=0:s=x "$clip" | tr x ' ')
      crop="$(( cw / 4 * 2 )):$(( ch / 4 * 2 )):$(( cw / 8 * 2 )):$(( ch / 8 * 2 ))"
      out_h=${size#*x}
      vf="fps=$rate"
      if [[ $shape == *crop* ]]; then
        shaped+=(-crop "$crop"); vf="$vf,crop=$crop"; [ -n "$size" ] || out_h=$(( ch / 4 * 2 ))
      fi
      [ -n "$size" ] && vf="$vf,scale=${size/x/:}"
      [ -n "$size" ] || [[ $shape == *crop* ]] || out_h=$ch
      [[ $shape == *caption* ]] && shaped+=(-caption "$CAPTION") && vf="$vf,$(drawtext "$out_h")"
    fi
    : >"$SCRATCH/ours.t"; : >"$SCRATCH/peer.t"
    for ((i = 0; i < RUNS; i++)); do
      rm -rf "$ours" "$peer"; mkdir -p "$ours" "$peer"
      measure "$SCRATCH/ours.t" "$TOOL" -i "$clip" "${shaped[@]}" "$ours/DasmereTemp%08d.png"
      measure "$SCRATCH/peer.t" ffmpeg -nostdin -v error -y "${peer_args[@]}" -i "$clip" \
        -vf "$vf" "$peer/DasmereTemp%08d.png"
    done
    n_ours=$(find "$ours" -name 'DasmereTemp*.png' | wc -l)
    n_peer=$(find "$peer" -name 'DasmereTemp*.png' | wc -l)
    psnr=$(ffmpeg -nostdin -i "$ours/DasmereTemp%08d.png" -i "$peer/DasmereTemp%08d.png" \
      -lavfi psnr -f null - 2>&1 | sed -n 's/.*average:\([0-9.inf]*\).*/\1/p' | tail -n 1)
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$name" "$base" "$(paste -sd, "$SCRATCH/ours.t")" \
      "$(paste -sd, "$SCRATCH/peer.t")" "$n_ours" "$n_peer" "${psnr:-nan}" >>"$RESULTS"
    rm -rf "$ours" "$peer"
  done
done

python3 - "$RESULTS" "$RUNS" <<'PY'
import statistics as st, sys
rows = [l.rstrip('\n').split('\t') for l in open(sys.argv[1]) if l.strip()]
print(f"video.dll against ffmpeg, temporary PNG frames, medians of {sys.argv[2]} alternating runs")
hdr = f"{'prof':4} {'clip':34} {'ours s':>7} {'ffm s':>7} {'ratio':>6} {'frames':>9} {'ours MB':>8} {'ffm MB':>7} {'PSNR dB':>8}"
print(hdr); print('-' * len(hdr))
by = {}
for prof, clip, o, p, no, np_, psnr in rows:
    o = [tuple(map(float, x.split())) for x in o.split(',')]
    p = [tuple(map(float, x.split())) for x in p.split(',')]
    pairs = [(a, b) for a, b in zip(o, p) if a[0] == a[0] and b[0] == b[0]]  # drop failed runs
    if not pairs:
        print(f"{prof:4} {clip:34} failed"); continue
    ratio = st.median(a[0] / b[0] for a, b in pairs)
    ot, pt = st.median(a[0] for a, _ in pairs), st.median(b[0] for _, b in pairs)
    om, pm = max(a[1] for a, _ in pairs) / 1024, max(b[1] for _, b in pairs) / 1024
    q = 100.0 if psnr == 'inf' else float(psnr)
    print(f"{prof:4} {clip:34} {ot:7.2f} {pt:7.2f} {ratio:6.2f} {no:>4}/{np_:<4} {om:8.1f} {pm:7.1f} {psnr:>8}")
    for key in (prof, 'all'):
        by.setdefault(key, []).append((ratio, no == np_, q, om / pm))
def psnr_text(db):
    return "inf (identical frames)" if db >= 100 else f"{db:.1f} dB"
print()
for key, v in sorted(by.items(), key=lambda kv: kv[0] == 'all'):
    print(f"{key:4} median time ratio {st.median(x[0] for x in v):.2f}  equal frame counts "
          f"{sum(x[1] for x in v)}/{len(v)}  median PSNR {psnr_text(st.median(x[2] for x in v))}  "
          f"median peak memory ratio {st.median(x[3] for x in v):.2f}")
PY
