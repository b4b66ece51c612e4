#!/usr/bin/env python3
"""Draws the crossfeed curves that tovrel-response measured.

    plot_response.py RESPONSE.csv OUT.png

Top: the magnitude of the same-side path (solid) and of the opposite-side path (dashed) for each
setting, 20 Hz to 20 kHz on a logarithmic axis. Bottom: how much later the opposite ear hears the
sound (the opposite path's group delay). Needs Debian's matplotlib (python3-matplotlib).
"""

import csv
import sys
from collections import OrderedDict

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402  (the backend is chosen first)

COLOURS = ["#888888", "#1f77b4", "#2ca02c", "#ff7f0e", "#d62728", "#9467bd", "#8c564b"]


def read(path):
    settings = OrderedDict()
    with open(path, newline="") as f:
        for row in csv.DictReader(f):
            entry = settings.setdefault(row["setting"], {"label": row["label"], "f": [], "same": [],
                                                         "opposite": [], "delay": []})
            entry["f"].append(float(row["frequency_hz"]))
            entry["same"].append(float(row["same_side_db"]))
            entry["opposite"].append(float(row["opposite_side_db"]))
            entry["delay"].append(float(row["opposite_delay_us"]))
    return settings


def plot(settings, out):
    fig, (magnitude, delay) = plt.subplots(2, 1, figsize=(10, 9), sharex=True,
                                           gridspec_kw={"height_ratios": [3, 2]})
    for i, (name, s) in enumerate(settings.items()):
        colour = COLOURS[i % len(COLOURS)]
        # "Off" has no level of its own; its curves lie under those of the level in force.
        width = 4.0 if name == "Off" else 1.6
        alpha = 0.35 if name == "Off" else 1.0
        magnitude.semilogx(s["f"], s["same"], color=colour, lw=width, alpha=alpha, label=s["label"])
        magnitude.semilogx(s["f"], s["opposite"], color=colour, lw=width, alpha=alpha, ls="--")
        delay.semilogx(s["f"], s["delay"], color=colour, lw=width, alpha=alpha)

    magnitude.set_title("tovrel_vst: measured through the plug-in, one impulse per setting, 44.1 kHz")
    magnitude.set_ylabel("level (dB)")
    magnitude.grid(True, which="both", alpha=0.3)
    legend = magnitude.legend(loc="lower left", fontsize=8, title="solid: same ear   dashed: opposite ear",
                              title_fontsize=8)
    legend.get_frame().set_alpha(0.9)
    delay.set_ylabel("opposite ear: delay (\u00b5s)")
    delay.set_xlabel("frequency (Hz)")
    delay.grid(True, which="both", alpha=0.3)
    delay.set_xlim(20, 20000)
    delay.set_xticks([20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000])
    delay.set_xticklabels(["20", "50", "100", "200", "500", "1k", "2k", "5k", "10k", "20k"])
    fig.tight_layout()
    # No creation date or software version in the file: the same curves give the same picture.
    fig.savefig(out, dpi=100, metadata={"Software": None})


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    settings = read(sys.argv[1])
    if not settings:
        sys.exit("plot_response.py: %s holds no measurements" % sys.argv[1])
    plot(settings, sys.argv[2])
    print("wrote %s: %d settings" % (sys.argv[2], len(settings)))


if __name__ == "__main__":
    main()
