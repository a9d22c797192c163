#!/usr/bin/env python3
"""The sweep's draws: reproducible by seed, inside the ranges the sweep
claims to cover, and spread over all of them (a draw stuck in one corner
would leave planet space untested)."""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import draw  # noqa: E402


def main():
    a = draw.draw_planets(2026, 400, 1e9)
    assert a == draw.draw_planets(2026, 400, 1e9), "same seed, other planets"
    assert a[0] != draw.draw_planets(2027, 1, 1e9)[0], "seed ignored"
    mtot, fenv, orbit, mstar = [], [], [], []
    for p in a:
        mc, me = float(p["Mcore"]), float(p["Menve"])
        m = mc + me
        f = me / m
        assert 0.5 <= mc <= 30 * (1 + 1e-5), p
        assert 1 * (1 - 1e-5) <= m <= 20 * draw.MEARTH_PER_MJUP * (1 + 1e-5), p
        # The envelope fraction keeps its range, except where the mass leaves
        # no choice (above 30 / 0.01 Earth masses it must exceed 99 %).
        assert f >= 1e-3 * (1 - 1e-4), p
        assert f <= 0.99 * (1 + 1e-4) or m > 3000, p
        assert 0.02 <= float(p["aplanete"]) <= 100 and 0.3 <= float(p["Mstar"]) <= 2, p
        assert 1e6 <= float(p["tstart"]) <= 1e7 and float(p["Linit"]) > 0, p
        assert p["GasEvap"] in "TF" and p["Tides"] in "TF", p
        assert p["Evapmodel"] == "0" or p["GasEvap"] == "T", p
        mtot.append(math.log10(m))
        fenv.append(f)
        orbit.append(math.log10(float(p["aplanete"])))
        mstar.append(float(p["Mstar"]))
    # Every decade of mass and orbit is visited, and both ends of the rest.
    assert {int(math.floor(x)) for x in mtot} >= {0, 1, 2, 3}, sorted(set(mtot))
    assert {int(math.floor(x)) for x in orbit} >= {-2, -1, 0, 1}, "orbits"
    assert min(fenv) < 0.01 and max(fenv) > 0.95, (min(fenv), max(fenv))
    assert min(mstar) < 0.4 and max(mstar) > 1.9
    for key in ("GasEvap", "Tides"):
        n = sum(p[key] == "T" for p in a)
        assert 120 < n < 280, (key, n)
    print("draws: ok")


if __name__ == "__main__":
    main()
