#!/usr/bin/env python3
"""The arithmetic of velkaro-validate against hand-made tracks: reading a
track by column names, interpolation in log age at the published ages, the
statistics, the spread between two sets, the hot start, the comparison of a
case and the bounds. Standard library only."""
import importlib.machinery
import importlib.util
import math
import os
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import compare  # noqa: E402
import published as pub  # noqa: E402

_loader = importlib.machinery.SourceFileLoader("velkaro_validate", os.path.join(HERE, "velkaro-validate"))
_spec = importlib.util.spec_from_loader("velkaro_validate", _loader)
vv = importlib.util.module_from_spec(_spec)
_loader.exec_module(vv)

DATA = os.path.join(os.path.dirname(os.path.dirname(HERE)), "data", "validation")


def g22(v):
    """A value as the program writes it: G22.10, a three-digit exponent
    without its E."""
    if isinstance(v, int):
        return f"{v:22d}"
    s = f"{v:22.10E}"
    mant, exp = s.split("E")
    if abs(int(exp)) >= 100:
        return f"{mant.strip()}{int(exp):+d}".rjust(22)
    return s


def write_run(d, names, lines, track="fort.1"):
    """A run directory whose TRACK file has the columns NAMES (in this order)."""
    with open(os.path.join(d, track + ".columns"), "w") as f:
        f.write("column,name,unit,meaning\n")
        for k, n in enumerate(names, start=1):
            unit = "R_jup" if n.endswith("_RJ") else ("R_earth" if n.endswith("_RE") else "")
            f.write(f"{k},{n},{unit},\"a column, with a comma\"\n")
    with open(os.path.join(d, track), "w") as f:
        for line in lines:
            f.write("".join(g22(v) for v in line) + "\n")


class InterpolationInLogAge(unittest.TestCase):
    ages = [1e6, 2e6, 1e7, 1e8, 1e9, 1e10, 1e10]

    def test_exact_for_a_track_linear_in_log_age(self):
        # Linear in age instead of log age would miss 10^7.5 by a third of a step.
        vals = [3 + 2 * math.log10(t) for t in self.ages]
        for t in (1e6, 3.3e6, 10 ** 7.5, 4.5e9):
            self.assertAlmostEqual(compare.interp_log_age(self.ages, vals, t), 3 + 2 * math.log10(t), places=12)

    def test_track_lines_ends_and_holes(self):
        vals = [1, 2, 3, 4, 5, 6, 7]
        self.assertEqual(compare.interp_log_age(self.ages, vals, 1e8), 4)
        # The final model repeats the last step's age: the later line counts.
        self.assertEqual(compare.interp_log_age(self.ages, vals, 1e10), 7)
        for t in (9.99e5, 1.0001e10, 0.0):
            self.assertIsNone(compare.interp_log_age(self.ages, vals, t))
        self.assertIsNone(compare.interp_log_age([], [], 1e6))
        # A value that is not finite gives no comparison, around it or on it.
        vals[2] = float("nan")
        self.assertIsNone(compare.interp_log_age(self.ages, vals, 5e6))
        self.assertAlmostEqual(compare.interp_log_age(self.ages, vals, 1e9), 5)


class TrackReading(unittest.TestCase):
    def test_columns_by_name_and_fortran_fields(self):
        with tempfile.TemporaryDirectory() as d:
            names = ["step", "Teff_K", "age_yr", "R_1bar_RE", "bbmag_U"]
            write_run(d, names, [[0, 1000.0, 1e6, 11.2, -9e99], [1, 900.0, 2e6, 11.0, -9e99]])
            tr = compare.read_track(d, ["age_yr", "R_1bar_RE", "bbmag_U"])
            self.assertEqual(tr["age_yr"], [1e6, 2e6])
            self.assertEqual(tr["bbmag_U"], [-9e99, -9e99])
            self.assertEqual(compare.column_unit(d, "R_1bar_RE"), "R_earth")
            with self.assertRaisesRegex(compare.TrackError, "names no column R_transit_RJ"):
                compare.read_track(d, ["age_yr", "R_transit_RJ"])

    def test_irradiated_track_columns_join_fort1_by_name(self):
        with tempfile.TemporaryDirectory() as d:
            write_run(d, ["step", "age_yr", "R_transit_RJ"], [[0, 1e6, 1.3], [1, 2e6, 1.2]])
            with self.assertRaisesRegex(compare.TrackError, "names no column R_transit_irr_RJ"):
                compare.read_track(d, ["age_yr", "R_transit_irr_RJ"])
            # step and age_yr are in both files: fort.1's are taken.
            write_run(d, ["step", "age_yr", "R_transit_irr_RJ", "P_rcb_irr_bar"],
                      [[0, 5.0, 1.4, 1e3], [1, 6.0, 1.35, 2e3]], track="irradiated.track")
            tr = compare.read_track(d, ["age_yr", "R_transit_irr_RJ", "R_transit_RJ", "P_rcb_irr_bar"])
            self.assertEqual(tr["age_yr"], [1e6, 2e6])
            self.assertEqual(tr["R_transit_irr_RJ"], [1.4, 1.35])
            self.assertEqual(tr["P_rcb_irr_bar"], [1e3, 2e3])
            self.assertEqual(compare.column_unit(d, "R_transit_irr_RJ"), "R_jup")

    def test_bad_field_names_file_line_and_column(self):
        with tempfile.TemporaryDirectory() as d:
            write_run(d, ["step", "age_yr"], [[0, 1e6]])
            with open(os.path.join(d, "fort.1"), "a") as f:
                f.write(" " * 22 + "garbage".rjust(22) + "\n")
            with self.assertRaisesRegex(compare.TrackError, r"fort\.1: line 2, column 2 \(age_yr\): 'garbage'"):
                compare.read_track(d, ["age_yr"])
            with self.assertRaisesRegex(compare.TrackError, "cannot read"):
                compare.read_track(os.path.join(d, "nothing"), ["age_yr"])


class Cases(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.sets = pub.load(DATA)

    def test_hot_start_is_the_cond_luminosity(self):
        # 1.048 MJ at 1 Myr: log L/Lsun = -4.72.
        L = pub.cond_start_luminosity(self.sets[pub.COND], 1.048)
        self.assertAlmostEqual(L, 10 ** -4.72 * pub.LSUN / pub.LJUP, delta=1e-9 * L)
        # Between 1.048 (-4.72) and 2.095 MJ (-4.14), linear in log M.
        m = math.sqrt(1.048 * 2.095)
        L = pub.cond_start_luminosity(self.sets[pub.COND], m)
        self.assertAlmostEqual(math.log10(L * pub.LJUP / pub.LSUN), -4.43, places=9)
        with self.assertRaises(pub.DataError):
            pub.cond_start_luminosity(self.sets[pub.COND], 0.1)

    def cond_track(self, m):
        """A track through the COND values of mass M, D/D0 included."""
        rows = pub.rows_of_mass(self.sets[pub.COND], m)
        return {"age": [r["age_Gyr"] * 1e9 for r in rows], "R": [r["R_RJ"] for r in rows],
                "Teff": [r["Teff_K"] for r in rows], "XD": [2e-5 * r["D_frac"] for r in rows]}

    def test_a_track_through_cond_agrees_with_cond(self):
        case = {"case": "t", "kind": "isolated", "mass_MJ": 12.571, "Mcore": 1.0, "a_AU": 1000.0}
        rows = vv.compare_case(case, self.cond_track(12.571), self.sets, "R_transit_RJ")
        cond = [r for r in rows if r["set"] == pub.COND]
        self.assertEqual(len(cond), 2 * len(pub.rows_of_mass(self.sets[pub.COND], 12.571)))
        self.assertTrue(all(abs(r["difference"]) < 1e-9 for r in cond))
        # The model is one end of the spread: never outside it.
        spread = [r for r in rows if r["set"] == vv.SPREAD]
        self.assertEqual(len(spread), 2 * 10)  # the ten ages of Burrows 1997, all in COND
        self.assertTrue(all(r["difference"] == 0.0 for r in spread))
        d = [r for r in rows if r["set"] == vv.DEUTERIUM]
        self.assertAlmostEqual(d[0]["model"], 0.3305, places=9)   # COND, 12.571 MJ, 1 Gyr

    def test_fortney_case_compares_its_own_rows(self):
        case = {"case": "f", "kind": "fortney", "mass_MJ": 1.0, "Mp_ME": 318.0, "Mcore": 10.0, "a_AU": 0.045}
        track = {"age": [1e6, 1e8, 1e9, 4.6e9], "Rcol": [1.5, 1.2, 1.134, 1.083]}
        rows = vv.compare_case(case, track, self.sets, "R_transit_RJ")
        self.assertEqual([(r["age_Gyr"], r["published"]) for r in rows],
                         [(0.3, 1.185), (1.0, 1.134), (4.5, 1.083)])
        self.assertAlmostEqual(rows[1]["difference"], 0.0)
        self.assertTrue(1.083 < rows[2]["model"] < 1.134)  # 4.5 Gyr: between the track's 1 and 4.6 Gyr
        # A radius column that is 0 (its level not crossed) gives no
        # comparison, not a difference of -100 %.
        missing = []
        track["Rcol"] = [0.0, 0.0, 0.0, 0.0]
        self.assertEqual(vv.compare_case(case, track, self.sets, "R_1bar_RE", missing), [])
        self.assertEqual(len(missing), 3)

    def test_bounds(self):
        st = vv.statistics([{"set": "A", "quantity": "R", "difference": d} for d in (1.0, -4.0)])
        self.assertEqual(vv.check_bounds({("A", "R", "rms"): 3.0, ("A", "R", "worst"): 4.0}, st), [])
        bad = vv.check_bounds({("A", "R", "rms"): 2.9, ("A", "R", "worst"): 3.9, ("B", "R", "rms"): 1}, st)
        self.assertEqual(len(bad), 3)
        self.assertIn("no comparison", bad[-1] + bad[0])


if __name__ == "__main__":
    unittest.main()
