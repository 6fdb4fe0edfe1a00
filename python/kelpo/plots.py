"""The charts of the desktop program's results window, drawn with matplotlib."""
from __future__ import annotations

from typing import Any

import numpy as np
import pandas as pd

OBSERVED = "#d55e00"
PROPORTIONS = {0.0: ("#0072b2", "No species interacting"), 0.5: ("#e69f00", "Half of the species interacting"),
               1.0: ("#009e73", "All species interacting")}
REPLICATES = ["#0072b2", "#e69f00", "#009e73", "#cc79a7", "#56b4e9", "#f0e442", "#000000", "#999999", "#882255",
              "#44aa99"]
FULL_COLOUR_SES = 3.0  # SES at or beyond this takes the full colour, as on the desktop


def _axes(ax: Any) -> Any:
    import matplotlib.pyplot as plt
    return ax if ax is not None else plt.subplots(figsize=(8, 5))[1]


def plot_null(result: Any, ax: Any = None) -> Any:
    """Every simulated value's count, the observed value and the central 95 % of the simulated values."""
    from .analysis import statistic_label
    counts = result.null_distribution
    if counts.empty:
        raise ValueError("Nothing was simulated for this statistic: no null distribution.")
    ax, label = _axes(ax), statistic_label(result.statistic)
    if result.quantile_025 is not None:
        ax.axvspan(result.quantile_025 - 0.5, result.quantile_975 + 0.5, color="#56b4e9", alpha=0.27, lw=0,
                   label=f"Central 95 % of simulated values ({result.quantile_025} to {result.quantile_975})")
    ax.bar(counts.index, counts.to_numpy(), width=1.0, color="#7f9fbf", edgecolor="#33526e", linewidth=0.5,
           label="Simulated values")
    ax.axvline(result.observed, color=OBSERVED, lw=3, label=f"Observed value ({result.observed})")
    ax.set(xlabel=label, ylabel="Simulated matrices", title=f"Null distribution of the {label}")
    ax.legend(loc="best", frameon=False)
    return ax


def plot_chain(result: Any, ax: Any = None) -> Any:
    """The statistic along each replicate's chain: the chains should wander around one level."""
    from .analysis import statistic_label
    if result.trace.empty:
        raise ValueError("Nothing was simulated for this statistic: no chain.")
    ax, label = _axes(ax), statistic_label(result.statistic)
    for r, chain in result.trace.groupby("replicate"):
        ax.plot(chain["iteration"], chain["value"], lw=1, color=REPLICATES[(r - 1) % 10], label=f"Replicate {r}")
    ax.axhline(result.observed, color=OBSERVED, lw=2.5, ls="--", label=f"Observed value ({result.observed})")
    ax.set(xlabel="Iteration", ylabel=label, title="Chains of the ten replicates")
    ax.legend(loc="center left", bbox_to_anchor=(1.0, 0.5), frameon=False, fontsize="small")
    return ax


def plot_power(power: Any, ax: Any = None) -> Any:
    """Rejection rate per kind of community; white squares mark the rows inside the null hypothesis."""
    ax, table = _axes(ax), power.table
    shown = sorted(table["proportion"].unique())
    width = 0.8 / len(shown)
    for slot, proportion in enumerate(shown):
        rows = table[table["proportion"] == proportion]
        x = rows["distribution"].to_numpy() - 0.4 + (slot + 0.5) * width
        colour, name = PROPORTIONS[float(proportion)]
        ax.bar(x, rows["rejection_rate"], width=width, color=colour, label=name)
        inside = rows["in_null"].to_numpy(dtype=bool)
        ax.scatter(x[inside], rows["rejection_rate"].to_numpy()[inside], marker="s", s=40, facecolor="white",
                   edgecolor="black", zorder=3, label="Null hypothesis true" if slot == 0 else None)
    ax.axhline(0.05, color=OBSERVED, lw=2, ls="--", label="Nominal size 0.05")
    ax.set(xlabel="Distribution of species over sites", ylabel="Rejection rate", title="Power of the test",
           ylim=(0, 1.3), xticks=range(1, 13))
    ax.legend(loc="upper center", ncol=2, frameon=False, fontsize="small")
    return ax


def heatmap(pairs: pd.DataFrame, ax: Any = None) -> Any:
    """SES of every pair: blue where a pair shares more sites than chance gives, red where fewer.

    Grey marks untestable pairs, a black outline the pairs whose adjusted p is at
    most the test's false discovery rate.
    """
    from matplotlib.colors import LinearSegmentedColormap
    from matplotlib.patches import Rectangle
    names = pairs.attrs.get("species") or list(dict.fromkeys([*pairs["species_a"], *pairs["species_b"]]))
    where = {name: n for n, name in enumerate(names)}
    a = pairs["species_a"].map(where).to_numpy()
    b = pairs["species_b"].map(where).to_numpy()
    ses = np.clip(pairs["ses"].fillna(0.0).to_numpy(), -FULL_COLOUR_SES, FULL_COLOUR_SES)
    grid = np.full((len(names), len(names)), np.nan)
    grid[a, b] = grid[b, a] = ses
    untestable = (pairs["class"] == "untestable").to_numpy()
    grid[a[untestable], b[untestable]] = grid[b[untestable], a[untestable]] = np.nan
    ax = _axes(ax)
    colours = LinearSegmentedColormap.from_list("kelpo", ["#b2182b", "#ffffff", "#2166ac"])
    colours.set_bad("#bebebe")
    image = ax.imshow(grid, cmap=colours, vmin=-FULL_COLOUR_SES, vmax=FULL_COLOUR_SES)
    for n in range(len(names)):
        ax.add_patch(Rectangle((n - 0.5, n - 0.5), 1, 1, color="#5a5a5a"))
    for i, j in zip(a[pairs["class"].isin(["segregated", "aggregated"])],
                    b[pairs["class"].isin(["segregated", "aggregated"])]):
        for r, c in ((i, j), (j, i)):
            ax.add_patch(Rectangle((c - 0.45, r - 0.45), 0.9, 0.9, fill=False, lw=1.5, ec="black"))
    if len(names) <= 60:
        ax.set_xticks(range(len(names)), names, rotation=90, fontsize="small")
        ax.set_yticks(range(len(names)), names, fontsize="small")
    bar = ax.figure.colorbar(image, ax=ax, label="SES (+ aggregated, \u2212 segregated)")
    bar.set_ticks([-FULL_COLOUR_SES, 0, FULL_COLOUR_SES])
    ax.set_title(f"Species pairs (outlined: adjusted p \u2264 {pairs.attrs.get('fdr', 0.05)})")
    return ax
