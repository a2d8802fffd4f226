#!/usr/bin/env python3
"""Tables of bench/imgconv-bench.sh rd and budget runs (rows: clip, profile, tool, bytes,
seconds, peak KB, SSIM, Butteraugli)."""
import math
import statistics as st
import sys

mode, path = sys.argv[1], sys.argv[2]
rows = [l.rstrip("\n").split("\t") for l in open(path) if l.strip()]
data = {}
for clip, prof, tool, size, secs, kb, ssim, ba in rows:
    data.setdefault((clip, prof), {})[tool] = dict(
        size=int(size), secs=float(secs) if secs != "NA" else float("nan"),
        ssim=float(ssim) if ssim != "NA" else None, ba=float(ba) if ba != "NA" else None)


def gifski_size_at(curve, value, metric="ssim"):
    """gifski's size at an SSIM (higher is better) or a Butteraugli distance (lower is
    better): its best (value, log size) points interpolated, the end segments extended;
    None when the curve is not usable. A point that another beats on both size and
    quality is dropped (on noise gifski's lower settings are not monotone), so the curve
    is gifski's best and never zigzags."""
    sign = 1 if metric == "ssim" else -1
    raw = [(sign * p[metric], math.log(p["size"])) for p in curve if p[metric] is not None]
    value = sign * value
    pts = sorted(p for p in raw
                 if not any(q != p and q[0] >= p[0] and q[1] <= p[1] for q in raw))
    if len(pts) < 2:
        return None, ""
    note = ""
    if value < pts[0][0] or value > pts[-1][0]:
        note = "*"
    for i in range(len(pts) - 1):
        (s0, l0), (s1, l1) = pts[i], pts[i + 1]
        if value <= s1 or i == len(pts) - 2:
            if s1 == s0:
                return math.exp(max(l0, l1)), note
            return math.exp(l0 + (value - s0) * (l1 - l0) / (s1 - s0)), note
    return None, ""


def fmt(v, f):
    return f.format(v) if v is not None else "NA"


if mode == "rd":
    qs = ["50", "60", "70", "80", "90", "100"]
    overall = []
    overall_ba = []
    print(f"{'clip':24}{'prof':5}{'tool':13}{'KB':>8}{'SSIM':>8}{'BA':>7}{'s':>7}{'size/gifski@SSIM':>18}{'@BA':>8}")
    for (clip, prof), d in data.items():
        curve = [d[f"gifski:Q{q}"] for q in qs if f"gifski:Q{q}" in d]
        ratios = []
        ratios_ba = []
        for tool in ["ours"] + [f"ours:Q{q}" for q in qs] + [f"gifski:Q{q}" for q in qs] + ["ffmpeg"]:
            if tool not in d:
                continue
            r = d[tool]
            ratio = ""
            if r["ssim"] is not None and not tool.startswith("gifski"):
                g, note = gifski_size_at(curve, r["ssim"])
                if g:
                    ratio = f"{r['size'] / g:.3f}{note}"
                    if tool.startswith("ours:Q"):
                        ratios.append(r["size"] / g)
            ratio_ba = ""
            if r["ba"] is not None and not tool.startswith("gifski"):
                g, note = gifski_size_at(curve, r["ba"], "ba")
                if g:
                    ratio_ba = f"{r['size'] / g:.3f}{note}"
                    if tool.startswith("ours:Q"):
                        ratios_ba.append(r["size"] / g)
            print(f"{clip:24}{prof:5}{tool:13}{r['size'] / 1024:8.0f}{fmt(r['ssim'], '{:.4f}'):>8}"
                  f"{fmt(r['ba'], '{:.2f}'):>7}{r['secs']:7.2f}{ratio:>18}{ratio_ba:>8}")
        if ratios:
            g = math.exp(st.mean(math.log(x) for x in ratios))
            overall.append(g)
            print(f"{clip:24}{prof:5}{'ours Q50-100':13} size/gifski at equal SSIM: geometric mean {g:.3f}")
        if ratios_ba:
            g = math.exp(st.mean(math.log(x) for x in ratios_ba))
            overall_ba.append(g)
            print(f"{clip:24}{prof:5}{'ours Q50-100':13} size/gifski at equal Butteraugli: geometric mean {g:.3f}")
        print()
    if overall:
        print(f"overall (geometric mean over clips of ours Q50-100 / gifski at equal SSIM): "
              f"{math.exp(st.mean(math.log(x) for x in overall)):.3f}; worst clip {max(overall):.3f}")
    if overall_ba:
        print(f"overall at equal Butteraugli (median of BA_SAMPLES frames, a rougher measure): "
              f"{math.exp(st.mean(math.log(x) for x in overall_ba)):.3f}; worst clip {max(overall_ba):.3f}")
    print("* our SSIM (or Butteraugli) lies outside gifski's Q50-100 range: its curve extended")
else:
    def budget_bytes(text):
        # "60%": that share of the clip's default GIF, worked out per clip below.
        if text.endswith("%"):
            return -float(text[:-1])
        scale = {"k": 1e3, "M": 1e6}.get(text[-1], 1)
        return float(text.rstrip("kM")) * scale
    budgets = {t: budget_bytes(t.removeprefix("ours:B")) for d in data.values() for t in d
               if t.startswith("ours:B")}
    budgets = dict(sorted(budgets.items(), key=lambda kv: (kv[1] < 0, abs(kv[1]))))
    # Work in encodes' worth per GIF, from the tool's trace (work-budget.tsv beside the results).
    work = {}
    try:
        for line in open(path.rsplit("/", 1)[0] + "/work-budget.tsv"):
            gif, w = line.split()
            work[gif] = float(w)
    except OSError:
        pass
    print(f"{'clip':24}{'prof':5}{'default KB':>11}{'budget':>8}{'KB':>8}{'size/budget':>12}{'time/default':>13}{'work':>6}  result")
    results = {}
    trs = []
    fit_trs = []
    works = []
    for (clip, prof), d in data.items():
        base = d.get("ours")
        for tool, b in budgets.items():
            if tool not in d or not base:
                continue
            if b < 0:
                b = int(base["size"] * -b / 100)
            r = d[tool]
            tr = r["secs"] / base["secs"] if base["secs"] else float("nan")
            if r["size"] == 0:
                res = "failed (cannot fit)"
            elif r["size"] > b:
                res = "OVER BUDGET"
            elif base["size"] <= b:
                res = "default fits"
            elif r["size"] >= 0.9 * b:
                res = "fits, >= 90 %"
            else:
                res = "fits, < 90 %"
            results[res] = results.get(res, 0) + 1
            w = work.get(f"{clip}-{prof}-{tool.replace(':', '-')}.gif", float("nan"))
            if base["size"] > b:
                trs.append(tr)
                works.append(w)
                if 0 < r["size"] <= b:
                    fit_trs.append(tr)
            print(f"{clip:24}{prof:5}{base['size'] / 1024:11.0f}{tool.removeprefix('ours:B'):>8}{r['size'] / 1024:8.0f}"
                  f"{r['size'] / b:12.3f}{tr:13.2f}{w:6.2f}  {res}")
    trs = [t for t in trs if not math.isnan(t)]
    if trs:
        print(f"\ntime / one default encode where the default does not fit: mean {st.mean(trs):.2f}, "
              f"median {st.median(trs):.2f}, max {max(trs):.2f} ({len(trs)} cases)")
    fit_trs = [t for t in fit_trs if not math.isnan(t)]
    if fit_trs:
        print(f"time / one default encode where a smaller GIF fits: mean {st.mean(fit_trs):.2f}, "
              f"max {max(fit_trs):.2f} ({len(fit_trs)} cases)")
    works = [w for w in works if not math.isnan(w)]
    if works:
        print(f"work in encodes' worth there: mean {st.mean(works):.2f}, max {max(works):.2f}")
    if results:
        print("results: " + ", ".join(f"{n} {k}" for k, n in sorted(results.items())))
