"""velkaro from Python: the structure and evolution of a giant planet.

    import velkaro
    track = velkaro.Planet(Mcore=10, Menve=307.8285, tmax=1e9).run()
    track["Rout_RJ"]              # numpy array, one value per track line
    track.data                    # pandas DataFrame, columns named as in fort.1
    track.units["Rout_RJ"]        # 'R_jup'

A Planet takes the input values by the names of the input files (sivex.in
and sivexdualband.in, in their units: AU, Earth masses, years, ...); every
value not given is the base run directory's (the Jupiter example unless
`base=` names another). The run is the program's own library in this process,
without the GIL: planets on several threads run at the same time. Nothing is
printed: the console account goes to `log=` (a path or a stream) when asked
for; result files are written only into a `rundir=` when one is given, and
are then those a `velkaro` run of the same directory writes.
"""
from __future__ import annotations

import csv
import numbers
import os
import re
import tempfile
from pathlib import Path

import numpy as np
import pandas as pd

from . import _velkaro
from ._paths import EXAMPLES

__all__ = ["Planet", "Track", "FatalError", "read_track", "run_population", "INPUT_NAMES", "EXAMPLES"]
__version__ = _velkaro.__version__

#: The input values, in the order of their files: sivex.in (lines 1-14),
#: then sivexdualband.in (lines 1-16, and the optional line 17,
#: ``irradiated``: the irradiated atmosphere on or off).
INPUT_NAMES = (
    "aplanete", "Menve", "Mcore", "YHe", "Mstar", "Linit", "fract_ice", "xDeuPrim", "tmax", "divisorTKH",
    "keepall", "dtsave", "Noevo", "tstart",
    "modelselect", "GasEvap", "tauoutmanual", "tauout", "Pedtmanual", "Qstar", "Tides", "metallicity",
    "ScaleOpacity", "opacity_p", "angle", "kv2kthmanual", "kv2kth", "kv2kth2", "alpha", "Evapmodel",
    "irradiated",
)
_CANONICAL = {n.lower(): n for n in INPUT_NAMES}
_FINAL = "VELKARO21: Progam terminated. May the entropy be with you."


class FatalError(RuntimeError):
    """A run (or a population) stopped on a fatal condition.

    `lines` holds the program's message lines as `velkaro` prints them (the
    last one starts with PROBLEME, ERROR or OOPS); `track` the track written
    before the stop (None when there is none).
    """

    def __init__(self, lines, track=None):
        self.lines = list(lines)
        self.track = track
        super().__init__("\n".join(self.lines))


def _value_text(name, value):
    """An input value as the text of its line in the input file."""
    if isinstance(value, (bool, np.bool_)):
        return "T" if value else "F"
    if isinstance(value, numbers.Integral):
        return str(int(value))
    if isinstance(value, numbers.Real):
        return repr(float(value))
    if isinstance(value, str):
        text = value.strip()
        if not text or re.search(r"[\s,/'\"]", text):
            raise ValueError(f"{name}: {value!r} is not one value of an input file")
        return text
    raise TypeError(f"{name}: a number, a bool or a text is needed, not {type(value).__name__}")


def _canonical(name):
    n = _CANONICAL.get(str(name).lower())
    if n is None or _velkaro.input_location(n) is None:
        raise ValueError(f"{name!r} is no input value of velkaro; the names are: {', '.join(INPUT_NAMES)}")
    return n


def _stopcode(messages):
    for line in reversed(messages):
        if _FINAL in line:
            rest = line.split(_FINAL, 1)[1].split()
            if rest:
                try:
                    return int(float(rest[0].replace("d", "e").replace("D", "e")))
                except ValueError:
                    return None
    return None


class Track:
    """The results of one run, read from its result files.

    data      pandas DataFrame of fort.1, one row per track line, columns named
              as in fort.1.columns
    columns   the column table (column, name, unit, meaning) as a DataFrame
    units, meanings
              dicts by column name
    dumps     the structure dumps of fort.13, one DataFrame each (the latest
              only unless keepall was set)
    messages  the lines a quiet console keeps: warnings and the final message
    stopcode  the stop code of the final message (None without one)
    rundir    where the result files are (None for a run without one)

    `track["Rout_RJ"]` is a column as a numpy array; `track.arrays` all of them.
    """

    def __init__(self, data, columns, dumps, dump_columns, messages=(), rundir=None):
        self.data = data
        self.columns = columns
        self.units = dict(zip(columns["name"], columns["unit"]))
        self.meanings = dict(zip(columns["name"], columns["meaning"]))
        self.dumps = dumps
        self.dump_columns = dump_columns
        self.messages = list(messages)
        self.stopcode = _stopcode(self.messages)
        self.rundir = rundir

    def __getitem__(self, name):
        return self.data[name].to_numpy()

    def __len__(self):
        return len(self.data)

    @property
    def arrays(self):
        return {n: self.data[n].to_numpy() for n in self.data.columns}

    def __repr__(self):
        where = f" in {self.rundir}" if self.rundir else ""
        return f"<velkaro.Track: {len(self.data)} lines, {len(self.data.columns)} columns{where}>"


def _column_table(file):
    with open(file, newline="") as f:
        rows = list(csv.DictReader(f))
    if not rows or set(rows[0]) != {"column", "name", "unit", "meaning"}:
        raise ValueError(f"{file}: not a column description (column,name,unit,meaning)")
    return pd.DataFrame({"column": [int(r["column"]) for r in rows], "name": [r["name"] for r in rows],
                         "unit": [r["unit"] for r in rows], "meaning": [r["meaning"] for r in rows]})


def _frame(block, cols, file):
    if block.shape[1] != len(cols):
        raise ValueError(f"{file}: {block.shape[1]} fields a line, its column description names {len(cols)}")
    return pd.DataFrame(block, columns=list(cols["name"]))


def read_track(rundir, messages=()):
    """The results of the run in `rundir`: fort.1 (and fort.13 when present)
    read through their column descriptions fort.1.columns and fort.13.columns."""
    d = Path(rundir)
    for f in ("fort.1", "fort.1.columns"):
        if not (d / f).is_file():
            raise FileNotFoundError(f"{d / f}: no such file (is {d} the directory of a finished run?)")
    cols = _column_table(d / "fort.1.columns")
    blocks = _velkaro.read_blocks(str(d / "fort.1"), 22)
    data = _frame(blocks[0], cols, d / "fort.1") if blocks else pd.DataFrame(columns=list(cols["name"]))
    dumps, dcols = [], None
    if (d / "fort.13.columns").is_file():
        dcols = _column_table(d / "fort.13.columns")
        if (d / "fort.13").is_file():
            dumps = [_frame(b, dcols, d / "fort.13") for b in _velkaro.read_blocks(str(d / "fort.13"), 19)]
    return Track(data, cols, dumps, dcols, messages, d)


class Planet:
    """A planet to run: the base run directory's input values with those given
    by name in place (names as in the input files, case-insensitive; values in
    the files' units, e.g. aplanete in AU, Menve and Mcore in Earth masses,
    tmax and tstart in years, logicals as bool)."""

    def __init__(self, base=None, **values):
        self.base = Path(base) if base is not None else Path(EXAMPLES) / "jupiter"
        if not (self.base / "sivex.in").is_file():
            raise FileNotFoundError(f"{self.base}: no sivex.in (base= must be a run directory)")
        self.values = {}
        for name, value in values.items():
            self[name] = value

    def __setitem__(self, name, value):
        n = _canonical(name)
        self.values[n] = _value_text(n, value)

    def __getitem__(self, name):
        return self.values[_canonical(name)]

    def __repr__(self):
        given = ", ".join(f"{k}={v}" for k, v in self.values.items())
        return f"velkaro.Planet(base={str(self.base)!r}, {given})"

    def input_files(self):
        """The texts of sivex.in, sivexdualband.in and path.dat of this planet
        (the base's data directories made absolute)."""
        r = _velkaro.make_inputs(str(self.base), list(self.values), list(self.values.values()))
        if isinstance(r, _velkaro.Failure):
            raise FatalError(r.lines)
        return dict(zip(("sivex.in", "sivexdualband.in", "path.dat"), r))

    def write(self, rundir):
        """Write the three input files into rundir (made if needed)."""
        d = Path(rundir)
        d.mkdir(parents=True, exist_ok=True)
        for name, text in self.input_files().items():
            (d / name).write_text(text)
        return d

    def run(self, rundir=None, log=None):
        """Evolve the planet; returns its Track.

        rundir  None: the result files go to a temporary directory that is
                removed afterwards. A directory: the input files are written
                there and the result files stay there.
        log     None: no console account. A path: the account is written to
                that file. A stream (anything with write()): written to it
                after the run.
        A fatal stop raises FatalError with the program's message lines.
        """
        files = self.input_files()
        log_path, capture = "", False
        if log is None:
            pass
        elif isinstance(log, (str, os.PathLike)):
            log_path = os.fspath(log)
        elif hasattr(log, "write"):
            capture = True
        else:
            raise TypeError("log= takes a path or a stream with write()")
        with tempfile.TemporaryDirectory(prefix="velkaro-") as tmp:
            d = Path(rundir) if rundir is not None else Path(tmp)
            d.mkdir(parents=True, exist_ok=True)
            for name, text in files.items():
                (d / name).write_text(text)
            out = _velkaro.run_planet(str(d), log_path, capture)
            if capture:
                log.write(out.log)
            messages = out.notes.splitlines()
            if out.status != "completed":
                try:
                    partial = read_track(d, messages)
                except (OSError, ValueError):
                    partial = None
                if partial is not None and rundir is None:
                    partial.rundir = None
                raise FatalError(out.lines, partial)
            track = read_track(d, messages)
            if rundir is None:
                track.rundir = None
            return track


def _table(table):
    """A planet table as (columns, rows of texts)."""
    if isinstance(table, pd.DataFrame):
        records = table.to_dict("records")
        names = list(table.columns)
    elif isinstance(table, dict):
        df = pd.DataFrame(table)
        return _table(df)
    else:
        records = [dict(r) for r in table]
        names = []
        for r in records:
            names += [k for k in r if k not in names]
    cols = [_canonical(n) for n in names]
    rows = []
    for r in records:
        row = []
        for n, c in zip(names, cols):
            v = r.get(n)
            missing = v is None or (isinstance(v, float) and np.isnan(v)) or (isinstance(v, str) and not v.strip())
            row.append("" if missing else _value_text(c, v))
        rows.append(row)
    return cols, rows


def run_population(table, jobs=1, outdir=None, base=None, ages=None, console="quiet"):
    """Run a table of planets with velkaro-grid's runner on `jobs` threads
    sharing the loaded data tables; returns the summary (summary.csv) as a
    DataFrame.

    table    a DataFrame, a dict of columns or a list of dicts, keyed by input
             value names; an empty cell (None, NaN) keeps the base's value
    outdir   where the runs and summary.csv stay (runs/000001/, ...); None: a
             temporary directory, removed afterwards
    base     base run directory (default: the Jupiter example)
    ages     ages of the summary in years (default 1e7, 1e8, 1e9, 4.5e9, tmax)
    console  'quiet' (each planet's stdout.txt keeps its warnings and final
             message) or 'full' (the whole running account)
    """
    if console not in ("quiet", "full"):
        raise ValueError("console= is 'quiet' or 'full'")
    cols, rows = _table(table)
    base = Path(base) if base is not None else Path(EXAMPLES) / "jupiter"
    ages = [a if isinstance(a, str) else "%.15g" % a for a in (ages or [])]
    with tempfile.TemporaryDirectory(prefix="velkaro-population-") as tmp:
        out = Path(outdir) if outdir is not None else Path(tmp)
        r = _velkaro.run_population(cols, rows, str(out), str(base), int(jobs), ages, console == "quiet")
        if isinstance(r, _velkaro.Failure):
            raise FatalError(r.lines)
        return pd.read_csv(out / "summary.csv", keep_default_na=True)
