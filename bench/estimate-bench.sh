#!/usr/bin/env bash
# How close sablewick-cli --estimate comes to the real GIF, and what it costs.
# For every corpus clip and setting: the estimate, its range, the real size of the GIF the
# same settings make, the error, whether the real size lies in the range, and the wall
# time of the estimate against that of the conversion (allowed: 10 % of the conversion or
# 0.5 s, whichever is more; "cost" is the estimate's wall time over that allowance, 1 or
# less meets it), and the processor time of both (cpu_share).
#
#   bench/estimate-bench.sh                        every clip, every setting
#   CLIPS="syn_life" SETTINGS="P1 P2" bench/estimate-bench.sh
#   PLANS="3x6 4x6 5x4" bench/estimate-bench.sh   sampling plans side by side (COUNTxFRAMES;
#                                                 default: the program's own)
#
# Environment: SABLEWICK_CORPUS (corpus folder, default bench/out/corpus, made with
# ../shared/bench/make-corpus.sh when missing), BUILD (build folder with sablewick-cli and
# the tools, default build-rel: Release, no sanitizers), OUT (work folder, default
# bench/out/estimate).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
CORPUS=${SABLEWICK_CORPUS:-$ROOT/bench/out/corpus}
BUILD=${BUILD:-$ROOT/build-rel}
OUT=${OUT:-$ROOT/bench/out/estimate}

# The settings: the two bench profiles, then six more over frame size, rate and quality.
# Each is the console program's options for the settings file below.
declare -A SETTING=(
  [P1]="--start 0 --end default --size auto --rate 10 --playback-fps 10"
  [P2]="--start 1 --end 6 --size 480x270 --rate 12.5 --playback-fps 12.5"
  [S3]="--size 320xauto --rate 8"
  [S4]="--size 480xauto --rate 15"
  [S5]="--start 2 --end 8 --size 640xauto --rate 10"
  [S6]="--rate 5 --gif-quality 40"
  [S7]="--size 480xauto --rate 20 --gif-quality 70"
  [S8]="--size 800xauto --rate 6 --gif-quality 100"
)
SETTINGS=${SETTINGS:-P1 P2 S3 S4 S5 S6 S7 S8}

if [ ! -d "$CORPUS/dev" ]; then
  "$ROOT/../shared/bench/make-corpus.sh" "$CORPUS"
fi
if [ ! -x "$BUILD/bin/sablewick-cli" ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSABLEWICK_SANITIZE=OFF \
    -DSABLEWICK_TESTS=OFF >/dev/null
  cmake --build "$BUILD" -j2 --target sablewick-cli video_tool imgconv_tool >/dev/null
fi

# A program folder of our own, with a settings file as a fresh options dialog leaves it.
mkdir -p "$OUT/bin" "$OUT/gif"
for f in sablewick-cli video.dll imgconv.dll; do
  cp "$BUILD/bin/$f" "$OUT/bin/"
done
cat >"$OUT/bin/TellurvaneInfo.ini" <<'INI'
[TellurvaneInfo]
Start=0
End=Default
ResolutionX=Default
ResolutionY=Default
VBRValue=Default
ImagesPerSecond=0.10
TimeDelay=0.00
FileFormat=0
Loop=0
INI
CLI=$OUT/bin/sablewick-cli
RESULTS=$OUT/results.tsv
PLANS=${PLANS:-default}
printf 'clip\tsetting\tplan\testimate\tlow\thigh\treal\terror\tinside\test_s\tconv_s\tcost\test_cpu\tconv_cpu\tcpu_share\n' >"$RESULTS"

for clip in "$CORPUS"/dev/*.{mp4,mkv,avi,webm}; do
  [ -e "$clip" ] || continue
  name=$(basename "${clip%.*}")
  if [ -n "${CLIPS:-}" ] && [[ " $CLIPS " != *" $name "* ]]; then continue; fi
  for s in $SETTINGS; do
    read -r -a opts <<<"${SETTING[$s]}"
    # Wall time and processor time (user + system, the tools included): the machine is
    # shared, and processor time is what another program's load changes least.
    rm -f "$OUT/gif/"*.gif
    /usr/bin/time -f "%e %U %S" -o "$OUT/conv.time" "$CLI" -q -o "$OUT/gif" "${opts[@]}" "$clip"
    real=$(stat -c %s "$OUT/gif/$name.gif")
    for plan in $PLANS; do
    if [ "$plan" = default ]; then unset SABLEWICK_ESTIMATE_SEGMENTS; else export SABLEWICK_ESTIMATE_SEGMENTS=$plan; fi
    /usr/bin/time -f "%e %U %S" -o "$OUT/est.time" "$CLI" --estimate --json "${opts[@]}" "$clip" >"$OUT/est.json"
    python3 - "$name" "$s" "$plan" "$OUT/est.json" "$real" "$OUT/est.time" "$OUT/conv.time" >>"$RESULTS" <<'PY'
import json, sys
name, setting, plan, est, real, est_t, conv_t = sys.argv[1:]
e = json.loads(open(est).read()); real = int(real)
ew, eu, es = map(float, open(est_t).read().split()[-3:])
cw, cu, cs = map(float, open(conv_t).read().split()[-3:])
err = (e["bytes"] - real) / real * 100
inside = "yes" if e["low"] <= real <= e["high"] else "NO"
print(f"{name}\t{setting}\t{plan}\t{e['bytes']}\t{e['low']}\t{e['high']}\t{real}\t{err:+.1f}%\t{inside}"
      f"\t{ew:.2f}\t{cw:.2f}\t{ew / max(cw * 0.1, 0.5):.2f}\t{eu + es:.2f}\t{cu + cs:.2f}"
      f"\t{(eu + es) / (cu + cs):.1%}")
PY
    tail -n 1 "$RESULTS"
    done
  done
done

python3 - "$RESULTS" <<'PY'
import csv, sys
allrows = list(csv.DictReader(open(sys.argv[1]), delimiter="\t"))
for plan in dict.fromkeys(r["plan"] for r in allrows):
  rows = [r for r in allrows if r["plan"] == plan]
  n = len(rows)
  print(f"\nplan {plan}:", end="")
  inside = sum(r["inside"] == "yes" for r in rows)
  close = sum(abs(float(r["error"].rstrip("%"))) <= 15 for r in rows)
  cheap = sum(float(r["cost"]) <= 1.0 for r in rows)
  share = sorted(float(r["cpu_share"].rstrip("%")) for r in rows)
  errs = sorted(abs(float(r["error"].rstrip("%"))) for r in rows)
  print(f" {n} cases: real size inside the range {inside}/{n} ({inside / n:.0%}), "
        f"estimate within 15 % {close}/{n} ({close / n:.0%}), "
        f"cost within max(10 % of the conversion, 0.5 s) {cheap}/{n} ({cheap / n:.0%}); "
        f"median |error| {errs[n // 2]:.1f} %, largest {errs[-1]:.1f} %; processor time of the "
        f"estimate against the conversion's: median {share[n // 2]:.1f} %, largest {share[-1]:.1f} %")
PY
