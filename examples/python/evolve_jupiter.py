#!/usr/bin/env python3
"""Evolve Jupiter from a hot start at 1 Myr and plot its radius.

    PYTHONPATH=build/python python3 examples/python/evolve_jupiter.py [--tmax YEARS] [-o radius.png]
"""
import argparse

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

import velkaro  # noqa: E402

ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
ap.add_argument("--tmax", type=float, default=1e10, help="end of the run [yr] (default 1e10)")
ap.add_argument("-o", "--output", default="jupiter-radius.png", help="the plot (default jupiter-radius.png)")
args = ap.parse_args()

# The Jupiter example's inputs, with the values given here in their place
# (names and units of the input files: Earth masses, AU, years, ...).
planet = velkaro.Planet(Mcore=10, Menve=307.8285, aplanete=5.2, tmax=args.tmax)
track = planet.run()
print(track.messages[-1].strip())  # the final message with its stop code

fig, ax = plt.subplots(figsize=(6, 4))
ax.semilogx(track["age_yr"], track["R_tau23_RJ"])
ax.set_xlabel(f"age [{track.units['age_yr']}]")
ax.set_ylabel(f"photospheric radius [{track.units['R_tau23_RJ']}]")
ax.set_title("Jupiter: 1 Jupiter mass, 10 Earth-mass core, hot start")
fig.tight_layout()
fig.savefig(args.output, dpi=120)
print(f"{len(track)} track lines; final radius {track['R_tau23_RJ'][-1]:.4f} R_jup; plot in {args.output}")
