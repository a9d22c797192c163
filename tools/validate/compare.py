"""The arithmetic of the validation: reading a track by column names,
interpolating it in log age at the published ages, differences and their
statistics, and where a model lies against the spread of two published sets.

Standard library only, so that the comparison and its test need no more than
python3."""
import bisect
import csv
import math
import os

FIELD = 22  # fort.1 fields are G22.10

# Lengths of the program's radius units in cm (README, "Outputs": R_jup is
# 7.14e9 cm there) and of the published sets' Jupiter radius (equatorial,
# 7.1492e9 cm, the value the published-set CSV files were converted with).
RADIUS_UNIT_CM = {"R_jup": 7.14e9, "R_earth": 6.371e8}
RJUP_PUBLISHED_CM = 7.1492e9


class TrackError(Exception):
    """A track or column description that cannot be read as one."""


def read_columns(path):
    """Column descriptions of fort.1: {name: (0-based index, unit)}."""
    try:
        with open(path, newline="") as f:
            rows = list(csv.reader(f))
    except OSError as e:
        raise TrackError(f"{path}: cannot read the column description ({e.strerror})") from None
    if not rows or [c.strip() for c in rows[0][:3]] != ["column", "name", "unit"]:
        raise TrackError(f"{path}: line 1 is not the header 'column,name,unit,meaning'")
    cols = {}
    for n, r in enumerate(rows[1:], start=2):
        if len(r) < 3:
            raise TrackError(f"{path}: line {n}: fewer than three fields")
        try:
            k = int(r[0])
        except ValueError:
            raise TrackError(f"{path}: line {n}: column number '{r[0]}' is not an integer") from None
        cols[r[1].strip()] = (k - 1, r[2].strip())
    return cols


def parse_field(text):
    """A Fortran G-format number; a three-digit exponent drops its 'E'
    ('-0.9000000000+100')."""
    t = text.strip()
    try:
        return float(t)
    except ValueError:
        pass
    for k in range(len(t) - 1, 0, -1):
        if t[k] in "+-" and t[k - 1] not in "eEdD":
            try:
                return float(t[:k] + "e" + t[k:])
            except ValueError:
                break
    raise ValueError(f"'{t}' is not a number")


# The track files of a run: fort.1 and, for a run with the irradiated
# atmosphere, the levels of that atmosphere in irradiated.track, line for
# line with fort.1. Each is described by its FILE.columns.
TRACK_FILES = ("fort.1", "irradiated.track")


def track_columns(rundir):
    """{name: (file, 0-based index, unit)} over the run's track files; a name
    of fort.1 is found there first."""
    found = {}
    for fname in TRACK_FILES:
        path = os.path.join(rundir, fname + ".columns")
        if fname != TRACK_FILES[0] and not os.path.exists(path):
            continue
        for n, (k, unit) in read_columns(path).items():
            found.setdefault(n, (fname, k, unit))
    return found


def _read_fields(path, wanted):
    """{name: [values]} of the columns {name: 0-based index} of one track file."""
    out = {n: [] for n in wanted}
    try:
        f = open(path)
    except OSError as e:
        raise TrackError(f"{path}: cannot read the track ({e.strerror})") from None
    with f:
        for ln, line in enumerate(f, start=1):
            line = line.rstrip("\n")
            if not line.strip():
                continue
            for n, k in wanted.items():
                field = line[k * FIELD:(k + 1) * FIELD]
                try:
                    out[n].append(parse_field(field))
                except ValueError:
                    raise TrackError(f"{path}: line {ln}, column {k + 1} ({n}): "
                                     f"'{field.strip()}' is not a number") from None
    return out


def read_track(rundir, names):
    """The named columns of RUNDIR/fort.1 (and of RUNDIR/irradiated.track when
    the run wrote it) as {name: [values]}, found through the files' .columns
    descriptions. Lines are fixed fields of 22 characters."""
    cols = track_columns(rundir)
    missing = [n for n in names if n not in cols]
    if missing:
        raise TrackError(f"{rundir}/fort.1.columns names no column {', '.join(missing)} "
                         f"(known: {', '.join(sorted(cols)[:8])}, ...)")
    out = {}
    for fname in TRACK_FILES:
        wanted = {n: cols[n][1] for n in names if cols[n][0] == fname}
        if wanted:
            out.update(_read_fields(os.path.join(rundir, fname), wanted))
    return {n: out[n] for n in names}


def column_unit(rundir, name):
    return track_columns(rundir)[name][2]


def interp_log_age(ages, values, age):
    """The value of a track at AGE, linear in log10(age) between the two track
    lines around it; exact at a track line. None outside the track, where an
    age is not positive or a value is not finite. Ages must not decrease
    (equal ages, e.g. the final model after the last step, take the later
    line)."""
    if not ages or not (age > 0) or age < ages[0] or age > ages[-1]:
        return None
    k = bisect.bisect_left(ages, age)
    if ages[k] == age:
        # The last line with this age.
        k = bisect.bisect_right(ages, age) - 1
        v = values[k]
        return v if math.isfinite(v) else None
    a0, a1 = ages[k - 1], ages[k]
    v0, v1 = values[k - 1], values[k]
    if not (a0 > 0 and math.isfinite(v0) and math.isfinite(v1)):
        return None
    w = (math.log10(age) - math.log10(a0)) / (math.log10(a1) - math.log10(a0))
    return v0 + w * (v1 - v0)


def percent(model, published):
    """Difference of model from published in per cent of published."""
    return 100.0 * (model - published) / published


def stats(diffs):
    """n, rms, mean and worst (the difference of largest magnitude, with its
    sign) of a list of differences; None for an empty list."""
    if not diffs:
        return None
    n = len(diffs)
    rms = math.sqrt(sum(d * d for d in diffs) / n)
    mean = sum(diffs) / n
    worst = max(diffs, key=abs)
    return {"n": n, "rms": rms, "mean": mean, "worst": worst}


def outside_spread(model, a, b):
    """How far MODEL lies outside the interval between the values A and B of
    two published sets, in per cent of the nearer end: 0 inside, negative
    below, positive above."""
    lo, hi = min(a, b), max(a, b)
    if model < lo:
        return percent(model, lo)
    if model > hi:
        return percent(model, hi)
    return 0.0
