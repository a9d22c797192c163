"""Random planets for the robustness sweep.

Each planet is drawn from a fixed-seed generator (Python's Mersenne twister,
whose random() sequence is the same on every platform for a given seed), so a
sweep is reproduced exactly by its seed and count.
"""
import math
import random

MEARTH_PER_MJUP = 317.8284  # Jupiter mass in Earth masses

# Ranges of the sweep (units of the input files).
MTOT_ME = (1.0, 20.0 * MEARTH_PER_MJUP)   # total mass, Earth masses
MCORE_ME = (0.5, 30.0)                    # core mass, Earth masses
FENV = (1e-3, 0.99)                       # envelope mass fraction
A_AU = (0.02, 100.0)                      # semi-major axis
MSTAR = (0.3, 2.0)                        # stellar mass, solar masses
TSTART_YR = (1e6, 1e7)                    # start age
EVAP_MODELS = ("0", "20", "30")           # escape models (with GasEvap = T)


def log_uniform(rng, lo, hi):
    return 10.0 ** rng.uniform(math.log10(lo), math.log10(hi))


def number(x):
    """Six significant digits: enough for a sweep, and readable."""
    return f"{x:.6g}"


def draw_planet(rng, tmax):
    mtot = log_uniform(rng, *MTOT_ME)
    # The core is drawn within the core range so that the envelope fraction
    # stays in its range; a planet heavier than 30 / 0.01 Earth masses must
    # have more than 99 % envelope, and then takes any core of the range.
    lo = max(MCORE_ME[0], mtot * (1.0 - FENV[1]))
    hi = min(MCORE_ME[1], mtot * (1.0 - FENV[0]))
    if lo > hi:
        lo, hi = MCORE_ME
    mcore = log_uniform(rng, lo, hi)
    menve = mtot - mcore
    # A hot start: the initial luminosity grows about as the square of the
    # mass (1e5 LJ for Jupiter at 1 Myr), spread over one dex below that.
    lhot = 1e5 * (mtot / MEARTH_PER_MJUP) ** 2
    linit = min(max(lhot * 10.0 ** rng.uniform(-1.0, 0.0), 0.1), 1e7)
    evap = rng.random() < 0.5
    return {
        "aplanete": number(log_uniform(rng, *A_AU)),
        "Menve": number(menve),
        "Mcore": number(mcore),
        "Mstar": number(rng.uniform(*MSTAR)),
        "Linit": number(linit),
        "tstart": number(log_uniform(rng, *TSTART_YR)),
        "tmax": number(tmax),
        "GasEvap": "T" if evap else "F",
        "Evapmodel": rng.choice(EVAP_MODELS) if evap else "0",
        "Tides": "T" if rng.random() < 0.5 else "F",
    }


def draw_planets(seed, count, tmax):
    rng = random.Random(seed)
    return [draw_planet(rng, tmax) for _ in range(count)]


def table_text(planets, base):
    cols = list(planets[0].keys())
    lines = [f"# base={base}", ",".join(cols)]
    lines += [",".join(p[c] for c in cols) for p in planets]
    return "\n".join(lines) + "\n"
