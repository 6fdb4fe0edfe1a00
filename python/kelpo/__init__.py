"""Kelpo: co-occurrence null models with fixed row and column sums, their power, and pairs.

The engine is Kelpo's own C++ core, run with the interpreter released; Ctrl-C stops it.
"""
from .analysis import (AnalysisResult, CooccurrenceResult, PowerResult, analysis, cooccurrence_test,
                       power_analysis)
from .matrix_file import read_matrix, write_matrix
from .pairs import pairwise_test

__all__ = ["AnalysisResult", "CooccurrenceResult", "PowerResult", "analysis", "cooccurrence_test",
           "pairwise_test", "power_analysis", "read_matrix", "write_matrix", "heatmap"]


def heatmap(pairs, ax=None):
    """Draw a :func:`pairwise_test` table as a species x species map of SES."""
    from .plots import heatmap as draw
    return draw(pairs, ax)
