#!/usr/bin/env bash
# Benchmarks imgconv.dll against ImageMagick's convert, ffmpeg's two-pass palette pipeline
# and gifski on the frames of the corpus clips: size, wall time, peak memory, and the
# quality of the decoded GIF against the source frames (SSIM, Butteraugli).
#
#   bench/imgconv-bench.sh                 all clips, profiles P1 and P2
#   CLIPS="syn_life nat_leaf_pan" PROFILES=P2 TOOLS="ours gifski" bench/imgconv-bench.sh
#   bench/imgconv-bench.sh memory          peak memory for 50, 100, 250 frames of 1280x720
#   bench/imgconv-bench.sh rd              rate-distortion: ours at -quality 50..100 and the
#                                          default, gifski at --quality 50..100, ffmpeg;
#                                          our size against gifski's at equal SSIM
#   bench/imgconv-bench.sh budget          -max-size 1M, 2M, 5M (or $BUDGETS) on every clip:
#                                          size / budget, time / one default encode, work
#                                          in encodes' worth
#
# Environment: SABLEWICK_CORPUS (corpus folder, default bench/out/corpus), IMGCONV (the
# tool, default build-rel/bin/imgconv.dll, built when missing), PEERS (folder outside the
# repository where gifski is installed with npm, default /work/peers), RUNS (runs per tool,
# median taken, default 1), BA_SAMPLES (frames per clip for Butteraugli, default 4),
# OUT (work folder, default bench/out/imgconv), PEER_RESULTS (a results-*.tsv of an earlier
# run: its rows for the peers are taken instead of running them again).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
CORPUS=${SABLEWICK_CORPUS:-$ROOT/bench/out/corpus}
IMGCONV=${IMGCONV:-$ROOT/build-rel/bin/imgconv.dll}
PEERS=${PEERS:-/work/peers}
GIFSKI=$PEERS/node_modules/gifski/bin/debian/gifski
RUNS=${RUNS:-1}
BA_SAMPLES=${BA_SAMPLES:-4}
OUT=${OUT:-$ROOT/bench/out/imgconv}
PROFILES=${PROFILES:-P1 P2}
TOOLS=${TOOLS:-ours magick ffmpeg gifski}
MODE=${1:-compare}

mkdir -p "$OUT"
if [ ! -d "$CORPUS/dev" ]; then
  "$ROOT/../shared/bench/make-corpus.sh" "$CORPUS"
fi
if [ ! -x "$IMGCONV" ]; then
  cmake -S "$ROOT" -B "$ROOT/build-rel" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSABLEWICK_TESTS=OFF >/dev/null
  cmake --build "$ROOT/build-rel" -j2 --target imgconv_tool >/dev/null
fi
if [[ " $TOOLS $MODE " == *" gifski"* || $MODE = rd ]] && [ ! -x "$GIFSKI" ]; then
  mkdir -p "$PEERS" && (cd "$PEERS" && npm install gifski >/dev/null)
fi
# Run under another name: the program's Stop kills every process named imgconv*, and
# tests of that on this machine must not hit a benchmark run.
mkdir -p "$OUT/bin" && cp "$IMGCONV" "$OUT/bin/icbench"
command -v butteraugli >/dev/null || echo "note: no butteraugli (apt-get install butteraugli)" >&2

# Debian caps ImageMagick's pixel cache; upstream builds have open limits.
mkdir -p "$OUT/magick"
cat > "$OUT/magick/policy.xml" <<'XML'
<policymap>
  <policy domain="resource" name="memory" value="16GiB"/>
  <policy domain="resource" name="map" value="16GiB"/>
  <policy domain="resource" name="disk" value="64GiB"/>
  <policy domain="resource" name="area" value="4GiB"/>
  <policy domain="resource" name="width" value="64KP"/>
  <policy domain="resource" name="height" value="64KP"/>
</policymap>
XML
export MAGICK_CONFIGURE_PATH=$OUT/magick

# timed OUTFILE CMD...: runs CMD under /usr/bin/time -v; prints "seconds peak_kb".
# A failed run still prints its time (a size budget that cannot be met takes time too).
timed() {
  local log=$1 rc=0; shift
  /usr/bin/time -v -o "$log" "$@" >/dev/null 2>"$log.err" || rc=$?
  [ "$rc" -eq 0 ] || { echo "FAILED: $*" >&2; cat "$log.err" >&2; }
  awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + t[i]; w = s }
              /Maximum resident set size/ { m = $2 } END { printf "%.3f %d\n", w, m }' "$log"
  return "$rc"
}

# run_tool TOOL FRAMES RATE DELAY GIF: prints "seconds peak_kb".
run_tool() {
  local tool=$1 frames=$2 rate=$3 delay=$4 gif=$5
  case $tool in
    ours) timed "$gif.time" "$OUT/bin/icbench" -delay "$delay" -loop 0 "$frames/DasmereTemp*.png" "$gif" ;;
    ours:Q*) timed "$gif.time" "$OUT/bin/icbench" -quality "${tool#ours:Q}" -delay "$delay" -loop 0 "$frames/DasmereTemp*.png" "$gif" ;;
    ours:B*)
      # The trace tells how much of each trial was encoded: the work in encodes' worth.
      local budget=${tool#ours:B}
      if [[ $budget == *% ]]; then # a share of this clip's default GIF (made just before)
        budget=$(( $(stat -c %s "${gif%-ours-B*}-ours.gif") * ${budget%\%} / 100 ))
      fi
      IMGCONV_BUDGET_TRACE=1 timed "$gif.time" "$OUT/bin/icbench" -max-size "$budget" -delay "$delay" -loop 0 "$frames/DasmereTemp*.png" "$gif"
      awk -v g="${gif##*/}" '/imgconv: trial/ { w += /stopped at|sample at/ ? $(NF - 3) + 0 : 1 }
          END { printf "%s\t%.2f\n", g, w }' "$gif.time.err" >> "$OUT/work-budget.tsv" ;;
    magick) timed "$gif.time" sh -c "convert -delay $delay -loop 0 '$frames'/DasmereTemp*.png '$gif'" ;;
    gifski|gifski:Q*)
      # gifski scales down to about 800x600 unless told the size.
      local size quality=""
      [ "$tool" = gifski ] || quality="--quality ${tool#gifski:Q}"

      size=$(ffprobe -v error -show_entries stream=width,height -of csv=p=0 "$frames/DasmereTemp00000001.png" | tr , ' ')
      set -- $size
      timed "$gif.time" sh -c "'$GIFSKI' --quiet $quality --fps $rate --width $1 --height $2 -o '$gif' '$frames'/DasmereTemp*.png" ;;
    ffmpeg)
      local a b
      a=$(timed "$gif.time1" ffmpeg -v error -y -framerate "$rate" -i "$frames/DasmereTemp%08d.png" \
            -vf palettegen=stats_mode=diff "$gif.palette.png")
      b=$(timed "$gif.time2" ffmpeg -v error -y -framerate "$rate" -i "$frames/DasmereTemp%08d.png" \
            -i "$gif.palette.png" -lavfi "paletteuse=dither=sierra2_4a:diff_mode=rectangle" "$gif")
      echo "$a $b" | awk '{ printf "%.3f %d\n", $1 + $3, ($2 > $4 ? $2 : $4) }' ;;
  esac
}

# quality FRAMES RATE GIF: prints "ssim butteraugli" of the GIF played at RATE against the
# source frames, frame i against frame i of the same time.
quality() {
  local frames=$1 rate=$2 gif=$3 count ssim ba=NA
  count=$(ls "$frames" | wc -l)
  ssim=$(ffmpeg -v info -i "$gif" -framerate "$rate" -i "$frames/DasmereTemp%08d.png" -lavfi \
    "[0:v]fps=$rate,format=yuv444p,trim=end_frame=$count[a];[1:v]format=yuv444p[b];[a][b]ssim=shortest=1" \
    -f null - 2>&1 | sed -n 's/.*SSIM .*All:\([0-9.]*\).*/\1/p' | tail -1)
  if [ "$BA_SAMPLES" -gt 0 ] && command -v butteraugli >/dev/null; then
    local dec=$gif.frames step i scores=()
    rm -rf "$dec" && mkdir -p "$dec"
    ffmpeg -v error -i "$gif" -vf "fps=$rate" -pix_fmt rgb24 "$dec/%08d.png"
    step=$(( count / BA_SAMPLES )); [ "$step" -ge 1 ] || step=1
    for (( i = 1 + step / 2; i <= count; i += step )); do
      local src dst
      src=$(printf "%s/DasmereTemp%08d.png" "$frames" "$i"); dst=$(printf "%s/%08d.png" "$dec" "$i")
      [ -f "$dst" ] || continue
      ffmpeg -v error -y -i "$src" -pix_fmt rgb24 "$dec/src.png"
      scores+=("$(butteraugli "$dec/src.png" "$dst" | head -1)")
    done
    rm -rf "$dec"
    ba=$(printf "%s\n" "${scores[@]}" | sort -g | awk '{ a[NR] = $1 } END { print (NR ? a[int((NR + 1) / 2)] : "NA") }')
  fi
  echo "${ssim:-NA} $ba"
}

extract() { # extract CLIP PROFILE FOLDER
  local clip=$1 profile=$2 dir=$3
  rm -rf "$dir" && mkdir -p "$dir"
  case $profile in
    P1) ffmpeg -v error -y -ss 0 -i "$clip" -r 10 "$dir/DasmereTemp%08d.png" ;;
    P2) ffmpeg -v error -y -ss 1 -i "$clip" -t 5 -s 480x270 -r 12.5 "$dir/DasmereTemp%08d.png" ;;
  esac
}

if [ "$MODE" = memory ]; then
  clip=${MEMORY_CLIP:-$CORPUS/dev/nat_path_pier_xfade.mp4}
  all=$OUT/memory-frames
  if [ "$(ls "$all" 2>/dev/null | wc -l)" -ne 250 ]; then
    rm -rf "$all" && mkdir -p "$all"
    ffmpeg -v error -stream_loop 2 -i "$clip" -s 1280x720 -r 25 -frames:v 250 "$all/DasmereTemp%08d.png"
  fi
  printf "%-8s %10s %10s %10s\n" frames seconds peak_MB gif_KB
  for n in 50 100 250; do
    dir=$OUT/memory-$n; rm -rf "$dir" && mkdir -p "$dir"
    for f in $(ls "$all" | head -n $n); do ln -s "$all/$f" "$dir/$f"; done
    read -r s kb < <(run_tool ours "$dir" 10 10 "$OUT/memory-$n.gif")
    printf "%-8s %10s %10d %10d\n" "$n" "$s" $((kb / 1024)) $(( $(stat -c %s "$OUT/memory-$n.gif") / 1024 ))
  done
  exit 0
fi

QS="50 60 70 80 90 100"
case $MODE in
  rd) TOOLS="ours $(for q in $QS; do printf "ours:Q%s gifski:Q%s " $q $q; done)ffmpeg"
      PROFILES=${PROFILES_RD:-P2} ;;
  budget) TOOLS="ours $(for b in ${BUDGETS:-1M 2M 5M}; do printf "ours:B%s " $b; done)"
          PROFILES=${PROFILES_BUDGET:-P1}; BA_SAMPLES=0; : > "$OUT/work-budget.tsv" ;;
esac

RESULTS=$OUT/results-$MODE.tsv
: > "$RESULTS"
clips=${CLIPS:-$(ls "$CORPUS/dev" | sed 's/\.[^.]*$//')}
for name in $clips; do
  clip=$(ls "$CORPUS/dev/$name".* | head -1)
  for profile in $PROFILES; do
    case $profile in P1) rate=10; delay=10 ;; P2) rate=12.5; delay=8 ;; esac
    frames=$OUT/frames-$name-$profile
    extract "$clip" "$profile" "$frames"
    for tool in $TOOLS; do
      gif=$OUT/$name-$profile-${tool/:/-}.gif
      # The peers' results do not change with our tool: an earlier run's may stand.
      if [ -n "${PEER_RESULTS:-}" ] && [[ $tool != ours* ]] \
          && row=$(awk -F'\t' -v c="$name" -v p="$profile" -v t="$tool" \
                   '$1 == c && $2 == p && $3 == t { print; found = 1 } END { exit !found }' "$PEER_RESULTS"); then
        echo "$row" | tee -a "$RESULTS"
        continue
      fi
      times=() peaks=()
      rm -f "$gif"
      for (( r = 0; r < RUNS; r++ )); do
        read -r s kb < <(run_tool "$tool" "$frames" "$rate" "$delay" "$gif" || echo "NA 0")
        times+=("$s"); peaks+=("$kb")
      done
      if [ ! -f "$gif" ]; then # a budget that cannot be met
        printf "%s\t%s\t%s\t%d\t%s\t%d\t%s\t%s\n" "$name" "$profile" "$tool" 0 "${times[0]}" 0 NA NA | tee -a "$RESULTS"
        continue
      fi
      s=$(printf "%s\n" "${times[@]}" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
      kb=$(printf "%s\n" "${peaks[@]}" | sort -g | tail -1)
      if [ "$MODE" = budget ]; then ssim=NA ba=NA
      else read -r ssim ba < <(quality "$frames" "$rate" "$gif" || echo "NA NA"); fi
      bytes=$(stat -c %s "$gif")
      printf "%s\t%s\t%s\t%d\t%s\t%d\t%s\t%s\n" "$name" "$profile" "$tool" "$bytes" "$s" "$kb" "$ssim" "$ba" | tee -a "$RESULTS"
    done
    rm -rf "$frames"
  done
done

if [ "$MODE" = rd ] || [ "$MODE" = budget ]; then
  python3 "$ROOT/bench/imgconv-rd.py" "$MODE" "$RESULTS"
  exit 0
fi

python3 - "$RESULTS" <<'PY'
import sys, statistics as st
rows = [l.rstrip("\n").split("\t") for l in open(sys.argv[1]) if l.strip()]
data = {}
for clip, prof, tool, size, secs, kb, ssim, ba in rows:
    data.setdefault((clip, prof), {})[tool] = dict(size=int(size), secs=float(secs), mb=int(kb) / 1024,
        ssim=float(ssim) if ssim != "NA" else None, ba=float(ba) if ba != "NA" else None)
tools = [t for t in ["ours", "gifski", "ffmpeg", "magick"] if any(t in d for d in data.values())]
print()
print(f"{'clip':24}{'prof':5}{'tool':8}{'KB':>8}{'size/IM':>9}{'s':>8}{'time/IM':>9}{'MB':>7}{'SSIM':>8}{'BA':>7}")
for (clip, prof), d in data.items():
    ref = d.get("magick")
    for t in tools:
        if t not in d: continue
        r = d[t]
        sr = f"{r['size']/ref['size']:.2f}" if ref else "-"
        tr = f"{r['secs']/ref['secs']:.2f}" if ref else "-"
        ssim = f"{r['ssim']:.4f}" if r['ssim'] is not None else "NA"
        ba = f"{r['ba']:.2f}" if r['ba'] is not None else "NA"
        print(f"{clip:24}{prof:5}{t:8}{r['size']/1024:8.0f}{sr:>9}{r['secs']:8.2f}{tr:>9}{r['mb']:7.0f}{ssim:>8}{ba:>7}")
print()
print("medians over clips and profiles")
print(f"{'tool':8}{'size/ours':>10}{'size/IM':>9}{'time/IM':>9}{'time/ours':>10}{'peakMB':>8}{'SSIM':>8}{'BA':>7}")
for t in tools:
    ds = [d for d in data.values() if t in d]
    def med(f):
        v = [f(d) for d in ds]
        v = [x for x in v if x is not None]
        return st.median(v) if v else float("nan")
    print(f"{t:8}{med(lambda d: d[t]['size']/d['ours']['size'] if 'ours' in d else None):10.2f}"
          f"{med(lambda d: d[t]['size']/d['magick']['size'] if 'magick' in d else None):9.2f}"
          f"{med(lambda d: d[t]['secs']/d['magick']['secs'] if 'magick' in d else None):9.2f}"
          f"{med(lambda d: d[t]['secs']/d['ours']['secs'] if 'ours' in d else None):10.2f}"
          f"{med(lambda d: d[t]['mb']):8.0f}{med(lambda d: d[t]['ssim']):8.4f}{med(lambda d: d[t]['ba']):7.2f}")
PY
