"""Python values to what the engine takes: a 0/1 matrix with species and site names."""
from __future__ import annotations

import numbers
from typing import Any, List, Sequence, Tuple

import numpy as np

from . import _kelpo

Names = List[str]


def _cell_name(species: Sequence[str], sites: Sequence[str], i: int, k: int) -> str:
    return f"species '{species[i]}', site '{sites[k]}' (row {i + 1}, column {k + 1})"


def _check_names(species: Names, sites: Names) -> None:
    for kind, names in (("species", species), ("site", sites)):
        seen: set = set()
        for name in names:
            if name in seen:
                raise ValueError(f"The {kind} name '{name}' occurs twice: every {kind} needs a name of its own.")
            seen.add(name)


def _check_values(values: np.ndarray, where, binary: bool) -> None:
    """Raises ValueError at the first bad value; where(n) names the n-th value's cell."""
    if values.dtype.kind not in "biuf":
        raise ValueError(f"The matrix must hold numbers (0 and 1), not {values.dtype} values.")
    if values.dtype.kind == "f" and np.isnan(values).any():
        raise ValueError(f"The matrix holds a missing value (NaN) at {where(np.flatnonzero(np.isnan(values))[0])}: "
                         "a presence-absence matrix needs a 0 or 1 in every cell.")
    if values.dtype.kind in "if" and (values < 0).any():
        n = np.flatnonzero(values < 0)[0]
        raise ValueError(f"The matrix holds a negative value ({values[n]:g}) at {where(n)}.")
    if not binary and values.dtype.kind != "b":
        bad = np.flatnonzero((values != 0) & (values != 1))
        if bad.size:
            raise ValueError(f"The matrix holds {values[bad[0]]:g} at {where(bad[0])}: a presence-absence matrix "
                             "holds only 0 and 1 (binary=True reads every value above 0 as a presence).")


def _default_names(prefix: str, count: int) -> Names:
    return [f"{prefix}{n + 1}" for n in range(count)]


def _is_sparse(x: Any) -> bool:
    return hasattr(x, "tocoo") and hasattr(x, "nnz")


def presence_matrix(x: Any, species: str = "rows", binary: bool = False) -> Tuple[Any, Names, Names]:
    """The engine's matrix and the species and site names of a table.

    Accepts a 2-D numpy array, a pandas DataFrame, a scipy.sparse matrix or a
    biom.Table (observations as rows, samples as columns).
    """
    if species not in ("rows", "columns"):
        raise ValueError('species must be "rows" (species x sites) or "columns" (sites x species).')
    row_names = col_names = None
    if hasattr(x, "matrix_data") and hasattr(x, "ids"):  # biom.Table
        row_names = [str(n) for n in x.ids(axis="observation")]
        col_names = [str(n) for n in x.ids(axis="sample")]
        x = x.matrix_data
    elif hasattr(x, "to_numpy") and hasattr(x, "columns"):  # pandas DataFrame
        row_names = [str(n) for n in x.index]
        col_names = [str(n) for n in x.columns]
        x = x.to_numpy()
    if species == "columns":
        x = x.T
        row_names, col_names = col_names, row_names
    shape = x.shape if _is_sparse(x) else np.shape(x)
    if len(shape) != 2:
        raise ValueError(f"The matrix must be 2-D (species x sites), not {len(shape)}-D.")
    rows, cols = shape
    if rows == 0 or cols == 0:
        raise ValueError("The matrix is empty: it needs at least one species (row) and one site (column).")
    species_names = row_names if row_names is not None else _default_names("species", rows)
    site_names = col_names if col_names is not None else _default_names("site", cols)
    _check_names(species_names, site_names)
    if _is_sparse(x):
        table = x.tocsr(copy=True)
        table.sum_duplicates()
        coo = table.tocoo()
        order = np.lexsort((coo.col, coo.row))  # reading order: by species, then by site
        row, col, data = coo.row[order], coo.col[order], coo.data[order]
        _check_values(data, lambda n: _cell_name(species_names, site_names, row[n], col[n]), binary)
        keep = data != 0
        matrix = _kelpo.matrix_from_coordinates(row[keep], col[keep], rows, cols)
    else:
        cells = np.asarray(x)
        flat = cells.reshape(-1)
        _check_values(flat, lambda n: _cell_name(species_names, site_names, *divmod(int(n), cols)), binary)
        matrix = _kelpo.matrix_from_dense(np.asfortranarray(cells != 0, dtype=np.uint8))
    return matrix, species_names, site_names


def number_text(value: Any, name: str) -> str:
    """A number as kelpo-cli reads it: its whole text, no rounding here."""
    if isinstance(value, bool) or not isinstance(value, numbers.Real):
        raise ValueError(f"{name} must be a single number, not {value!r}.")
    return str(value) if isinstance(value, numbers.Integral) else format(float(value), ".17g")


def threads_count(threads: Any) -> int:
    if threads is None:
        return 0
    if isinstance(threads, bool) or not isinstance(threads, numbers.Integral) or threads < 1:
        raise ValueError("threads must be None (all cores) or a whole number of at least 1.")
    return int(threads)


def seed_value(seed: Any) -> int:
    """The given seed, or one drawn from numpy's default generator (recorded on the result)."""
    if seed is None:
        return int(np.random.default_rng().integers(1, 2**31 - 1))
    if isinstance(seed, bool) or not isinstance(seed, numbers.Integral):
        raise ValueError(f"seed must be None or a whole number, not {seed!r}.")
    return int(seed)


def show_progress(progress: Any) -> bool:
    if progress is None:
        import sys
        return bool(getattr(sys.stderr, "isatty", lambda: False)())
    return bool(progress)
