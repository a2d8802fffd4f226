#!/usr/bin/env bash
# Time per file of swfinfo.dll against ffprobe reading the same clips' headers and streams.
#
#   bench/swfinfo-bench.sh            (corpus in $SABLEWICK_CORPUS, default bench/out/corpus)
#
# Builds the tool in build-release/ (Release, no sanitizers), then runs hyperfine on every
# clip with both commands side by side, in several rounds so that both see the same load,
# and prints each clip's median times, their ratio, and the median of the ratios.
# Target: ratio <= 0.5.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
corpus=${SABLEWICK_CORPUS:-$root/bench/out/corpus}
runs=${SWFINFO_BENCH_RUNS:-10}  # per round
rounds=${SWFINFO_BENCH_ROUNDS:-3}

if [ ! -d "$corpus/dev" ]; then
  "$root/../shared/bench/make-corpus.sh" "$corpus"
fi
command -v hyperfine > /dev/null || { echo "hyperfine is missing (scripts/bootstrap)" >&2; exit 1; }

cmake -S "$root" -B "$root/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DSABLEWICK_SANITIZE=OFF -DSABLEWICK_TESTS=OFF > /dev/null
cmake --build "$root/build-release" -j2 --target swfinfo_tool > /dev/null
tool=$root/build-release/bin/swfinfo.dll

out=$root/bench/out/swfinfo
mkdir -p "$out"
shopt -s nullglob
clips=("$corpus"/dev/*.{mp4,mkv,avi,webm})
[ ${#clips[@]} -gt 0 ] || { echo "no clips in $corpus/dev" >&2; exit 1; }

rm -f "$out"/*.json
for round in $(seq "$rounds"); do
  for clip in "${clips[@]}"; do
    name=$(basename "$clip")
    hyperfine --shell=none --warmup 2 --runs "$runs" --style none \
      --export-json "$out/$name.$round.json" \
      -n swfinfo "$tool -f $clip" \
      -n ffprobe "ffprobe -v error -show_format -show_streams $clip" > /dev/null 2>&1
  done
done

python3 - "$out" "$rounds" "${clips[@]}" <<'PY'
import json, os, statistics, sys
out, rounds, clips = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
ratios, ours_all, peer_all = [], [], []
print(f"{'clip':34} {'swfinfo ms':>10} {'ffprobe ms':>10} {'ratio':>6}")
for clip in clips:
    name = os.path.basename(clip)
    times = {"swfinfo": [], "ffprobe": []}
    for r in range(1, rounds + 1):
        with open(os.path.join(out, f"{name}.{r}.json")) as f:
            for result in json.load(f)["results"]:
                times[result["command"]] += result["times"]
    ours = statistics.median(times["swfinfo"]) * 1000
    peer = statistics.median(times["ffprobe"]) * 1000
    ratios.append(ours / peer)
    ours_all.append(ours)
    peer_all.append(peer)
    print(f"{name:34} {ours:10.1f} {peer:10.1f} {ours / peer:6.2f}")
ours_median, peer_median = statistics.median(ours_all), statistics.median(peer_all)
print(f"median time per file: swfinfo {ours_median:.1f} ms, ffprobe {peer_median:.1f} ms, "
      f"ratio {ours_median / peer_median:.2f}")
median = statistics.median(ratios)
print(f"median of the ratios: {median:.2f} (target <= 0.50): {'met' if median <= 0.5 else 'NOT met'}")
PY
