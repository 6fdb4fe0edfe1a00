"""Which species pairs share fewer or more sites than chance gives."""
from __future__ import annotations

from typing import Any, Optional

import numpy as np
import pandas as pd

from . import _kelpo
from ._input import number_text, presence_matrix, seed_value, show_progress, threads_count


def pairwise_test(x: Any, samples: int = 10_000, burn_in: Optional[int] = None, thin: Optional[int] = None,
                  fdr: float = 0.05,
                  seed: Optional[int] = None, threads: Optional[int] = None, species: str = "rows",
                  binary: bool = False, progress: Optional[bool] = None) -> pd.DataFrame:
    """Every species pair's shared sites against random matrices with the same sums.

    Parameters
    ----------
    x, seed, threads, species, binary, progress
        As for :func:`kelpo.cooccurrence_test`.
    samples : int
        Matrices sampled over the test's eight independent chains.
    burn_in : int, optional
        Steps of each chain before its first sample; None measures it on the
        matrix (ten times the chain's autocorrelation time, from a pilot).
    thin : int, optional
        Steps between two samples; None measures it (twice that time).
    fdr : float
        False discovery rate (Benjamini-Hochberg) at which a pair is called
        segregated or aggregated.

    Returns
    -------
    pandas.DataFrame
        One row per pair, with the columns of ``kelpo-cli --pairs``'s CSV
        (species_a, species_b, shared_observed, shared_expected, ses, p_lower,
        p_upper, p_adjusted, class) then shared_sd and checkerboard_units; NaN
        where a value does not exist. ``attrs`` holds the seed and fdr, the
        burn_in and thin used, rhat, ess, worst_pair_rhat and warnings;
        ``.kelpo.heatmap()`` draws it.
    """
    matrix, names, _ = presence_matrix(x, species, binary)
    used = seed_value(seed)
    def given(value: Optional[int], name: str) -> str:
        return "" if value is None else number_text(value, name)

    options = {"samples": number_text(samples, "samples"), "burn_in": given(burn_in, "burn_in"),
               "thin": given(thin, "thin"), "fdr": number_text(fdr, "fdr"), "seed": str(used)}
    out = _kelpo.pairs(matrix, options, threads_count(threads), show_progress(progress))
    info = out.pop("info")
    labels = np.asarray(names, dtype=object)
    frame = pd.DataFrame({"species_a": labels[out.pop("a")], "species_b": labels[out.pop("b")], **out})
    frame.attrs.update(seed=used, fdr=float(fdr), species=list(names), **info)
    return frame


@pd.api.extensions.register_dataframe_accessor("kelpo")
class PairsAccessor:
    """``pairs.kelpo.heatmap()`` on the table :func:`pairwise_test` returns."""

    def __init__(self, frame: pd.DataFrame) -> None:
        self._frame = frame

    def heatmap(self, ax: Any = None) -> Any:
        """Draw the pairs' SES as a species x species map; see :func:`kelpo.plots.heatmap`."""
        from .plots import heatmap
        return heatmap(self._frame, ax)
