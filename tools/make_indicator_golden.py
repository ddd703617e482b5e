#!/usr/bin/python3
"""Writes the reference values of the candle chart's indicators.

Run once, by hand, with Debian's python3-pandas:

    /usr/bin/python3 tools/make_indicator_golden.py

It builds candle walks from data/ssq-history.csv the way the trend window
does (open = previous close, 32-bit floats), computes every indicator in
double precision with pandas (rolling means and population deviation,
ewm(adjust=False), Wilder smoothing, the KDJ window of N + 1 candles) and
writes one CSV file per walk to tests/charts/data/. The files are kept in
the repository, so the build and the tests never need pandas.
"""

import os

import numpy as np
import pandas as pd

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "tests", "charts", "data")


def history():
    df = pd.read_csv(os.path.join(ROOT, "data", "ssq-history.csv"), dtype=int)
    return df


def frequency_walk(hits, p):
    """Candles of a hit/miss walk: up by 1 - p on a hit, down by p on a miss."""
    candles = []
    close = np.float32(0)
    for j, hit in enumerate(hits):
        open_ = np.float32(0) if j == 0 else close
        close = np.float32(float(open_) + (1 - p)) if hit else np.float32(float(open_) - p)
        candles.append((open_, close))
    return candles


def omission_walk(hits, lo, hi, P):
    """Candles of the omission walk: one per hit, up by 1 - P when the omission
    it ended lay in [lo, hi], down by P otherwise."""
    candles = []
    running, previous = 0, -1
    close = np.float32(0)
    for hit in hits:
        if hit:
            running = 0
            open_ = np.float32(0) if not candles else close
            up = lo <= previous <= hi
            close = np.float32(float(open_) + (1 - P)) if up else np.float32(float(open_) - P)
            candles.append((open_, close))
        else:
            running += 1
        previous = running
    return candles


def synthetic_walk():
    """A short walk with flat stretches, candles at zero, negative prices and
    jumps, for the corners of the formulas."""
    closes = [0, 0, 0, 1, 1, 1, 1, 3, -2, -2, -2.5, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4,
              3.25, 2, 7, 7.5, -1, -6, -6, -6.75, 0, 2, 2, 10, 9, 8, 7, 6, 5, 4, 3,
              3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 12, -12, 12, -12, 0.5]
    candles = []
    for j, c in enumerate(closes):
        open_ = np.float32(0) if j == 0 else candles[-1][1]
        candles.append((open_, np.float32(c)))
    return candles


def indicators(candles, ma, boll, macd, kdj, adx):
    o = pd.Series([float(a) for a, _ in candles])
    c = pd.Series([float(b) for _, b in candles])
    hi = np.maximum(o, c)
    lo = np.minimum(o, c)
    idx = pd.Series(range(len(c)))
    out = pd.DataFrame({"open": o, "close": c})

    # Moving averages: the window mean from index P - 1 on, never at index 0.
    for k, P in enumerate(ma):
        m = c.rolling(P).mean() if P > 0 else pd.Series(0.0, index=c.index)
        out[f"ma{k}"] = m.where((idx >= P - 1) & (idx >= 1), 0.0)

    # Bollinger: the mean of the closes so far until a window is full, then
    # the window mean with bands at two population deviations.
    n = boll
    mb = c.rolling(n, min_periods=1).mean()
    sd = c.rolling(n).std(ddof=0)
    full = (idx >= n - 1) & (idx >= 1)
    out["mb"] = mb
    out["ub"] = (mb + 2 * sd).where(full, 0.0)
    out["lb"] = (mb - 2 * sd).where(full, 0.0)

    # MACD: exponential averages seeded with the first close (the chart keeps
    # 0 in the averages of candle 0, where DIF is 0 all the same).
    q, s, d = macd
    ema_q = c.ewm(span=q, adjust=False).mean()
    ema_s = c.ewm(span=s, adjust=False).mean()
    dif = ema_q - ema_s
    dea = dif.ewm(span=d, adjust=False).mean()
    out["dif"] = dif
    out["dea"] = dea
    out["bar"] = (dif - dea) * 2
    out["emaq"] = ema_q.where(idx >= 1, 0.0)
    out["emas"] = ema_s.where(idx >= 1, 0.0)

    # KDJ over the candle and the N candles before it; D starts at 0 and
    # takes K at index 1.
    kn, m1, m2 = kdj
    h = hi.rolling(kn + 1, min_periods=1).max()
    low = lo.rolling(kn + 1, min_periods=1).min()
    rsv = ((c - low) / (h - low) * 100).where(h - low != 0, 1.0)
    k_line = rsv.ewm(alpha=1 / m1, adjust=False).mean()
    d_line = pd.Series(0.0, index=c.index)
    d_line.iloc[1:] = k_line.iloc[1:].ewm(alpha=1 / m2, adjust=False).mean()
    out["k"] = k_line
    out["d"] = d_line
    out["j"] = 3 * k_line - 2 * d_line

    # ADX with Wilder smoothing; candle 0 measures against zero.
    prev_close = c.shift(1)
    tr = pd.concat([hi - lo, (hi - prev_close).abs(), (lo - prev_close).abs()], axis=1).max(axis=1)
    tr.iloc[0] = max(hi[0] - lo[0], hi[0], lo[0])
    up = hi - hi.shift(1)
    dn = lo.shift(1) - lo
    up.iloc[0] = hi[0]
    dn.iloc[0] = lo[0]
    pdm = up.where((up > 0) & (up > dn), 0.0)
    mdm = dn.where((dn > 0) & (dn > up), 0.0)
    wilder = 1 / adx
    trs = tr.ewm(alpha=wilder, adjust=False).mean()
    pdms = pdm.ewm(alpha=wilder, adjust=False).mean()
    mdms = mdm.ewm(alpha=wilder, adjust=False).mean()
    pdi = (pdms * 100 / trs).where(trs != 0, 0.0)
    mdi = (mdms * 100 / trs).where(trs != 0, 0.0)
    dx = ((mdi - pdi).abs() / (mdi + pdi) * 100).where(mdi + pdi != 0, 0.0)
    out["pdi"] = pdi
    out["mdi"] = mdi
    out["adx"] = dx.ewm(alpha=wilder, adjust=False).mean()
    return out


def write(name, candles, ma, boll, macd, kdj, adx):
    table = indicators(candles, ma, boll, macd, kdj, adx)
    path = os.path.join(OUT, name)
    with open(path, "w") as f:
        f.write("# ma=%s boll=%d macd=%d,%d,%d kdj=%d,%d,%d adx=%d\n" %
                (",".join(map(str, ma)), boll, *macd, *kdj, adx))
        f.write(",".join(table.columns) + "\n")
        for (o, c), row in zip(candles, table.itertuples(index=False)):
            cells = ["%.9g" % o, "%.9g" % c] + ["%.10g" % v for v in row[2:]]
            f.write(",".join(cells) + "\n")
    print(path, len(candles))


def main():
    os.makedirs(OUT, exist_ok=True)
    df = history()
    reds = df[[f"red_{i}" for i in range(1, 7)]].to_numpy()
    blue = df["blue"].to_numpy()

    # The last 450 draws (400 candles and the 50 of history before them):
    # does red 7 come out (p = 6/33)?
    last = reds[-450:]
    hits = [7 in row for row in last]
    write("indicators_red7.csv", frequency_walk(hits, 6 / 33),
          [3, 6, 18, 0, 0, 0], 20, (12, 26, 9), (9, 3, 3), 14)

    # An omission walk over the last 800 draws: is the blue odd (p = 1/2),
    # with omissions 0..2 counting up (P = 1/2 + 1/4 + 1/8).
    hits = [b % 2 == 1 for b in blue[-800:]]
    write("indicators_blue_odd.csv", omission_walk(hits, 0, 2, 0.875),
          [1, 2, 5, 10, 30, 60], 5, (3, 7, 2), (1, 1, 1), 1)

    write("indicators_synthetic.csv", synthetic_walk(),
          [1, 4, 0, 7, 0, 2], 1, (1, 2, 1), (4, 2, 5), 3)


if __name__ == "__main__":
    main()
