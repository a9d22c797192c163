"""The Python package against the velkaro executable: the same planet gives the
same result files, console account and numbers; errors arrive as exceptions
with the program's messages; planets on threads give what they give alone;
populations go through the grid runner.

Run by CTest (test python_package), which sets PYTHONPATH to the build's
package and VELKARO_EXE, VELKARO_SOURCE_DIR and VELKARO_TEST_DIR.
"""
import io
import os
import re
import shutil
import subprocess
import tempfile
import threading
from pathlib import Path

import numpy as np
import pandas as pd
import pytest

import velkaro

EXE = os.environ.get("VELKARO_EXE")
WORK = Path(os.environ.get("VELKARO_TEST_DIR", "/tmp/velkaro-python-test"))
RESULT_FILES = ("fort.1", "fort.13", "fort.14", "fort.1.columns", "fort.13.columns")
FINAL = "VELKARO21: Progam terminated. May the entropy be with you."

needs_exe = pytest.mark.skipif(not EXE, reason="VELKARO_EXE (the velkaro program) not given")


def fresh(name):
    d = WORK / name
    shutil.rmtree(d, ignore_errors=True)
    d.mkdir(parents=True)
    return d


def fortran_real(field):
    """A G22.10 field as Fortran writes it; a three-digit exponent has no E."""
    t = field.strip()
    m = re.fullmatch(r"([-+]?\d*\.\d*)([-+]\d{3})", t)
    return float(m.group(1) + "E" + m.group(2)) if m else float(t)


def parse_fort1(path):
    rows = []
    for line in Path(path).read_text().splitlines():
        rows.append([fortran_real(line[i:i + 22]) for i in range(0, len(line), 22)])
    return np.array(rows)


def same(a, b):
    return np.array_equal(np.asarray(a, float), np.asarray(b, float), equal_nan=True)


# Jupiter from 1 Myr to 3 Myr (about 250 steps) with a structure dump every
# tenth of a dex: a second or two, every result file written.
SHORT = dict(tmax=3e6, dtsave=0.1)


@pytest.fixture(scope="module")
def pair():
    """The same short planet run by the executable and by the package, each in
    a run directory of its own, the package's console account kept twice (to
    a file and to a stream)."""
    planet = velkaro.Planet(**SHORT)
    exe_dir = planet.write(fresh("exe"))
    py_dir = fresh("py")
    stream = io.StringIO()
    track = planet.run(rundir=py_dir, log=stream)
    planet.run(rundir=fresh("py-logfile"), log=WORK / "py-logfile" / "console.txt")
    console = subprocess.run([EXE, str(exe_dir)], capture_output=True, text=True, check=True).stdout if EXE else None
    return dict(planet=planet, track=track, exe_dir=exe_dir, py_dir=py_dir, log=stream.getvalue(), console=console)


@needs_exe
def test_result_files_and_console_account_are_those_of_the_executable(pair):
    for f in RESULT_FILES:
        assert (pair["py_dir"] / f).read_bytes() == (pair["exe_dir"] / f).read_bytes(), f
    assert pair["log"] == pair["console"]
    assert (WORK / "py-logfile" / "console.txt").read_text() == pair["console"]
    # The messages a quiet console keeps: here only the final message (what
    # the executable's --quiet prints is the C++ suite's to check).
    assert pair["track"].messages == [l for l in pair["console"].splitlines() if FINAL in l]
    assert pair["track"].stopcode == 1


@needs_exe
def test_track_arrays_are_the_numbers_of_the_executables_fort1(pair):
    track = pair["track"]
    expected = parse_fort1(pair["exe_dir"] / "fort.1")
    assert same(track.data.to_numpy(), expected)  # shapes included
    # Columns named in the order of fort.1.columns, with their units.
    assert list(track.data.columns) == list(pd.read_csv(pair["exe_dir"] / "fort.1.columns")["name"])
    assert track.units["Rout_RJ"] == "R_jup" and track.meanings["Teff_K"]
    # read_track of a finished run: no console account read.
    t = velkaro.read_track(pair["exe_dir"])
    assert t.rundir == pair["exe_dir"] and same(t.data.to_numpy(), expected)
    assert t.messages == [] and t.stopcode is None
    with pytest.raises(FileNotFoundError, match="fort.1"):
        velkaro.read_track(fresh("empty"))
    # The planet's tmax reached the run: from 1 Myr to 3 Myr.
    age = track["age_yr"]
    assert age[0] == pytest.approx(1e6) and age[-2] < 3e6 <= age[-1]
    # The structure dumps: one block of shells (keepall off), its last shell
    # the outer boundary of the last track line.
    assert len(track.dumps) == 1
    dump = track.dumps[0]
    assert dump["r_RJ"].iloc[-1] == pytest.approx(track["Rout_RJ"][-1], rel=1e-8)
    assert np.all(np.diff(dump["r_RJ"]) > 0)


def test_a_run_without_run_directory_writes_nothing_and_prints_nothing(pair, tmp_path, capfd, monkeypatch):
    # The package's temporary run directory goes to a scratch root of this
    # test's own (other tests may run planets at the same time).
    cwd, scratch = tmp_path / "cwd", tmp_path / "tmp"
    cwd.mkdir()
    scratch.mkdir()
    monkeypatch.chdir(cwd)
    monkeypatch.setattr(tempfile, "tempdir", str(scratch))
    track = velkaro.Planet(**SHORT).run()
    out, err = capfd.readouterr()
    assert out == "" and err == ""
    assert list(cwd.iterdir()) == []
    assert list(scratch.iterdir()) == []
    assert same(track.data.to_numpy(), pair["track"].data.to_numpy())


def test_a_bad_value_raises_with_the_programs_file_and_line_message():
    with pytest.raises(velkaro.FatalError) as e:
        velkaro.Planet(Mcore=-1).run()
    assert e.value.lines[-1].startswith("PROBLEME : input file sivex.in, line 3: Mcore/Mearth must be positive")
    assert str(e.value) == "\n".join(e.value.lines)
    # What is no input value, or no single value, is refused before any run.
    with pytest.raises(ValueError, match="no input value"):
        velkaro.Planet(Mcroe=10)
    with pytest.raises(ValueError, match="not one value"):
        velkaro.Planet(Mcore="10 20")
    # Names are those of the files, in any case; values in the files' units.
    p = velkaro.Planet(mcore=12.5, GASEVAP=True, tmax=1e7)
    files = p.input_files()
    assert files["sivex.in"].splitlines()[2].split()[0] == "12.5"
    assert files["sivexdualband.in"].splitlines()[1].split()[0] == "T"
    # The optional 17th line of the atmosphere file is a name like the others.
    assert velkaro.Planet(irradiated=True).input_files()["sivexdualband.in"].splitlines()[16].split()[0] == "T"


def test_two_planets_on_two_threads_equal_two_runs_one_after_the_other():
    planets = [velkaro.Planet(Mcore=10, tmax=2e6), velkaro.Planet(Mcore=20, Menve=150, tmax=2e6)]
    alone = [p.run() for p in planets]
    together = [None, None]

    def run(k):
        together[k] = planets[k].run()

    threads = [threading.Thread(target=run, args=(k,)) for k in range(2)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for a, b in zip(alone, together):
        assert b is not None and len(a) > 10
        assert same(a.data.to_numpy(), b.data.to_numpy())
    assert not same(alone[0]["Rout_RJ"][-1:], alone[1]["Rout_RJ"][-1:])


def test_a_population_runs_through_the_grid_runner():
    table = pd.DataFrame({"Mcore": [10, 20, 5], "Menve": [307.8285, 150, 100], "YHe": [0.27, None, 1.5],
                          "tmax": [2e6, 2e6, 2e6]})
    out = fresh("population")
    summary = velkaro.run_population(table, jobs=2, outdir=out, ages=["1.5e6", "tmax"])
    assert list(summary["id"]) == [1, 2, 3]
    assert list(summary["status"]) == ["completed", "completed", "stopped"]
    assert "YHe must lie between 0 and 1" in summary["message"][2]
    # Its summary values are read from its own track.
    t = velkaro.read_track(out / "runs" / "000002")
    assert summary["Lout_LJ@tmax"][1] == pytest.approx(t["Lout_LJ"][-1], rel=1e-9)
    with pytest.raises(ValueError, match="no input value"):
        velkaro.run_population([{"Mcroe": 1}])
