"""Figures of velkaro-validate (matplotlib): model tracks as lines over the
published points, one panel per set."""
import os

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

import published as pub  # noqa: E402

DPI = 80


def _colours(n):
    cmap = plt.get_cmap("tab10")
    return [cmap(k % 10) for k in range(n)]


def isolated(outdir, cases, tracks, sets):
    iso = sorted((c for c in cases if c["kind"] == "isolated" and c["case"] in tracks), key=lambda c: c["mass_MJ"])
    if not iso:
        return
    fig, axes = plt.subplots(2, 2, figsize=(11, 8), sharex=True)
    colours = _colours(len(iso))
    for col, setname in enumerate((pub.BURROWS, pub.COND)):
        for row, (q, pubcol, label) in enumerate((("R", "R_RJ", "radius (R_J = 7.1492e9 cm)"),
                                                  ("Teff", "Teff_K", "T_eff (K)"))):
            ax = axes[row][col]
            for c, colour in zip(iso, colours):
                tr = tracks[c["case"]]
                ages = [t / 1e9 for t in tr["age"]]
                ax.plot(ages, tr[q], color=colour, lw=1.3, label=f"{c['mass_MJ']:.3g} MJ" if row == 0 else None)
                pts = pub.rows_of_mass(sets[setname], c["mass_MJ"])
                ax.plot([r["age_Gyr"] for r in pts], [r[pubcol] for r in pts], "o", color=colour, ms=4,
                        mfc="none")
            ax.set_xscale("log")
            if q == "Teff":
                ax.set_yscale("log")
                ax.set_xlabel("age (Gyr)")
            ax.set_ylabel(label)
            ax.set_title(f"{setname}: {q} (lines velkaro, circles published)", fontsize=10)
            ax.grid(alpha=0.3)
            ax.set_xlim(1e-3, 13)
    axes[0][0].legend(fontsize=8, ncol=2)
    fig.tight_layout()
    fig.savefig(os.path.join(outdir, "validation_isolated.png"), dpi=DPI)
    plt.close(fig)


def fortney(outdir, cases, tracks, sets, radius_column):
    fc = [c for c in cases if c["kind"] == "fortney" and c["case"] in tracks]
    if not fc:
        return
    dists = sorted({c["a_AU"] for c in fc})
    ncol = min(3, len(dists) + 1)
    nrow = (len(dists) + 1 + ncol - 1) // ncol
    fig, axes = plt.subplots(nrow, ncol, figsize=(3.7 * ncol, 3.4 * nrow), sharey=True, squeeze=False)
    panels = [ax for row in axes for ax in row]
    cores = sorted({c["Mcore"] for c in fc})
    colours = dict(zip(cores, _colours(len(cores))))
    handles = {}
    for ax, a in zip(panels, dists):
        for c in (c for c in fc if c["a_AU"] == a):
            tr = tracks[c["case"]]
            heavy = c["Mp_ME"] > 1000
            ages = [t / 1e9 for t in tr["age"]]
            sel = [k for k, t in enumerate(ages) if t >= 0.1]
            (line,) = ax.plot([ages[k] for k in sel], [tr["Rcol"][k] for k in sel], "--" if heavy else "-",
                              color=colours[c["Mcore"]], lw=1.2)
            pts = [r for r in sets[pub.FORTNEY] if (r["Mp_Mearth"], r["Mcore_Mearth"], r["a_AU"])
                   == (c["Mp_ME"], c["Mcore"], a)]
            (mark,) = ax.plot([r["age_Gyr"] for r in pts], [r["R_Rjup"] for r in pts], "s" if heavy else "o",
                              color=colours[c["Mcore"]], ms=5, mfc="none")
            handles[(c["Mp_ME"], c["Mcore"])] = (line, mark)
        ax.set_xscale("log")
        ax.set_xlabel("age (Gyr)")
        ax.set_title(f"Fortney 2007, {a:g} AU", fontsize=10)
        ax.grid(alpha=0.3)
    for row in axes:
        row[0].set_ylabel("radius (R_J = 7.1492e9 cm)")
    legend_ax = panels[len(dists)]
    legend_ax.axis("off")
    keys = sorted(handles)
    legend_ax.legend([handles[k] for k in keys],
                     [f"{k[0]:.0f} ME ({k[0] / pub.MEARTH_PER_MJUP:.1f} MJ), core {k[1]:.0f} ME" for k in keys],
                     loc="center", fontsize=8, title=f"lines velkaro ({radius_column}),\nmarkers published",
                     title_fontsize=8)
    for ax in panels[len(dists) + 1:]:
        ax.axis("off")
    fig.tight_layout()
    fig.savefig(os.path.join(outdir, "validation_fortney.png"), dpi=DPI)
    plt.close(fig)


def deuterium(outdir, cases, tracks, sets):
    iso = sorted((c for c in cases if c["kind"] == "isolated" and c["case"] in tracks and c["mass_MJ"] > 9),
                 key=lambda c: c["mass_MJ"])
    if not iso:
        return
    fig, ax = plt.subplots(figsize=(6, 4))
    colours = _colours(len(iso))
    for c, colour in zip(iso, colours):
        tr = tracks[c["case"]]
        d0 = tr["XD"][0]
        ax.plot([t / 1e9 for t in tr["age"]], [x / d0 for x in tr["XD"]], color=colour,
                label=f"{c['mass_MJ']:.3g} MJ")
        pts = pub.rows_of_mass(sets[pub.COND], c["mass_MJ"])
        ax.plot([r["age_Gyr"] for r in pts], [r["D_frac"] for r in pts], "o", color=colour, ms=4, mfc="none")
    ax.set_xscale("log")
    ax.set_xlabel("age (Gyr)")
    ax.set_ylabel("surface D/D0")
    ax.set_title("Deuterium: velkaro (lines), COND 2003 (circles)", fontsize=10)
    ax.grid(alpha=0.3)
    ax.legend(fontsize=8)
    fig.tight_layout()
    fig.savefig(os.path.join(outdir, "validation_deuterium.png"), dpi=DPI)
    plt.close(fig)


def draw(outdir, cases, tracks, sets, radius_column):
    isolated(outdir, cases, tracks, sets)
    fortney(outdir, cases, tracks, sets, radius_column)
    deuterium(outdir, cases, tracks, sets)
