"""Kelpo's matrix files to and from pandas."""
from __future__ import annotations

import os
import re
from typing import Any, Union

import pandas as pd

from . import _kelpo
from ._input import presence_matrix

_SEPARATOR = re.compile(r"[\s,]")


def read_matrix(path: Union[str, os.PathLike], species: str = "rows", binary: bool = False) -> pd.DataFrame:
    """Read a matrix file as kelpo-cli does.

    Kelpo's text, CSV as pandas, R and spreadsheets write it (quoted names,
    commas or semicolons) and the text table of ``biom convert --to-tsv``.

    Parameters
    ----------
    path : str or os.PathLike
        The file to read.
    species : {"rows", "columns"}
        Whether the file's species are its rows or its columns (sites x species).
    binary : bool
        True reads every number above 0 as a presence.

    Returns
    -------
    pandas.DataFrame
        0/1 cells, species as index, sites as columns; ``attrs["kelpo_name"]``
        is the name the report gives the matrix.

    Raises
    ------
    OSError
        When the file cannot be read or holds no matrix.
    ValueError
        At the first cell that is neither 0 nor 1.
    """
    if species not in ("rows", "columns"):
        raise ValueError('species must be "rows" (species x sites) or "columns" (sites x species).')
    contents = _kelpo.read_matrix(os.fspath(path), species == "columns", bool(binary))
    frame = pd.DataFrame(contents["cells"], index=pd.Index(contents["species"], name=contents["corner"]),
                         columns=contents["sites"])
    frame.attrs["kelpo_name"] = contents["name"]
    return frame


def write_matrix(x: Any, path: Union[str, os.PathLike], species: str = "rows", binary: bool = False) -> None:
    """Write a table in Kelpo's text format (replacing ``path`` only once all is written).

    Parameters
    ----------
    x, species, binary
        As for :func:`kelpo.cooccurrence_test`.
    path : str or os.PathLike
        The file to write.
    """
    matrix, species_names, site_names = presence_matrix(x, species, binary)
    for name in species_names + site_names:
        if name == "" or _SEPARATOR.search(name):
            raise ValueError(f"The name '{name}' holds a blank or a comma, or is empty: a matrix file separates "
                             "its fields by them.")
    corner = getattr(getattr(x, "index", None), "name", None) or "Species"
    _kelpo.write_matrix(matrix, species_names, site_names, str(corner), os.fspath(path))
