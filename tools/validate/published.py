"""The published model sets of data/validation/ (see its SOURCES.md) and the
comparison cases built from them."""
import csv
import math
import os

BURROWS = "Burrows 1997"
COND = "COND 2003"
FORTNEY = "Fortney 2007"

FILES = {
    BURROWS: "burrows1997_isochrones.csv",
    COND: "baraffe2003_cond_isochrones_substellar.csv",
    FORTNEY: "fortney2007_radii_subset.csv",
}

# Rows that the transcription itself flags (log L off the L-R-Teff relation
# by 0.16 and 0.025 dex): not used as benchmarks.
BURROWS_FLAGGED = {(0.001, 0.0005), (0.001, 0.007)}

MEARTH_PER_MJUP = 317.83      # as the Fortney file's Mp_Mjup column
LSUN = 3.846e33               # erg/s, the program's solar luminosity
LJUP = 3.3498660000000005e24  # erg/s, the program's Jupiter luminosity


class DataError(Exception):
    pass


def read_set(path):
    """Rows of a published-set CSV (lines starting with '#' are its
    provenance) as dicts of floats."""
    try:
        with open(path, newline="") as f:
            lines = [ln for ln in f if not ln.startswith("#") and ln.strip()]
    except OSError as e:
        raise DataError(f"{path}: cannot read ({e.strerror})") from None
    rows = []
    reader = csv.DictReader(lines)
    for n, r in enumerate(reader, start=2):
        try:
            rows.append({k: float(v) for k, v in r.items()})
        except (TypeError, ValueError):
            raise DataError(f"{path}: data line {n}: a value that is not a number: {r}") from None
    if not rows:
        raise DataError(f"{path}: no data rows")
    return rows


def load(datadir):
    sets = {name: read_set(os.path.join(datadir, fn)) for name, fn in FILES.items()}
    sets[BURROWS] = [r for r in sets[BURROWS]
                     if (r["age_Gyr"], r["M_Msun"]) not in BURROWS_FLAGGED]
    return sets


def rows_of_mass(rows, mass_mj):
    """Rows whose M_MJ is MASS_MJ (the files give it to three decimals)."""
    return sorted((r for r in rows if abs(r["M_MJ"] - mass_mj) < 5e-4), key=lambda r: r["age_Gyr"])


def cond_start_luminosity(cond_rows, mass_mj, age_gyr=0.001):
    """Hot start: the COND luminosity at 1 Myr, interpolated linearly in
    log M between the set's masses; in Jupiter luminosities."""
    pts = sorted((r["M_MJ"], r["logL_Lsun"]) for r in cond_rows if r["age_Gyr"] == age_gyr)
    if not pts or not (pts[0][0] <= mass_mj <= pts[-1][0]):
        raise DataError(f"no COND luminosity at {age_gyr} Gyr for {mass_mj} MJ")
    for (m0, l0), (m1, l1) in zip(pts, pts[1:]):
        if m0 <= mass_mj <= m1:
            w = 0.0 if m1 == m0 else (math.log10(mass_mj) - math.log10(m0)) / (math.log10(m1) - math.log10(m0))
            logl = l0 + w * (l1 - l0)
            return 10.0 ** logl * LSUN / LJUP
    raise DataError(f"no COND luminosity at {age_gyr} Gyr for {mass_mj} MJ")
