"""Every kind of table gives the same numbers; each bad table is refused by name."""

import numpy as np
import pandas as pd
import pytest
import scipy.sparse as sparse
from biom import Table

import kelpo
from kelpo._input import presence_matrix

rng = np.random.default_rng(42)
cells = (rng.random((12, 9)) < 0.4).astype(int)
names = [f"sp{i}" for i in range(12)], [f"s{k}" for k in range(9)]


def figures(x, **options):
    return kelpo.cooccurrence_test(x, iterations=3000, seed=4, progress=False, **options).to_dict()


def test_every_kind_of_input_is_the_same_matrix():
    frame = pd.DataFrame(cells, index=names[0], columns=names[1])
    abundances = cells * rng.integers(1, 50, cells.shape)
    inputs = [cells.astype(bool), cells.astype(float), frame, sparse.csr_matrix(cells), sparse.coo_matrix(cells.T).T,
              Table(cells, names[0], names[1])]
    expected = figures(cells)
    assert all(figures(x) == expected for x in inputs)
    assert figures(abundances, binary=True) == expected
    assert figures(sparse.csc_matrix(abundances), binary=True) == expected
    assert figures(cells.T, species="columns") == expected
    assert figures(frame.T, species="columns") == expected
    matrix, species, sites = presence_matrix(frame)
    assert (matrix.to_numpy() == cells).all() and species == names[0] and sites == names[1]


@pytest.mark.parametrize("table,message", [
    (np.array([[0, 1], [2, 0]]), r"holds 2 at species 'species2', site 'site1' \(row 2, column 1\)"),
    (np.array([[0, 1], [np.nan, 0]]), r"missing value \(NaN\) at species 'species2', site 'site1'"),
    (np.array([[0, -1], [1, 0]]), r"negative value \(-1\) at species 'species1', site 'site2'"),
    (sparse.csr_matrix(np.array([[0, 0], [0, 3.5]])), r"holds 3.5 at species 'species2', site 'site2'"),
    (np.zeros((0, 4)), "empty"),
    (pd.DataFrame([[0, 1], [1, 0]], index=["a", "a"]), "species name 'a' occurs twice"),
    (pd.DataFrame([[0, 1], [1, 0]], columns=["x", "x"]), "site name 'x' occurs twice"),
    (np.array([["a", "b"]]), "must hold numbers"),
])
def test_bad_input_is_refused(table, message):
    with pytest.raises(ValueError, match=message):
        kelpo.cooccurrence_test(table, iterations=1000, seed=1, binary=False)
    with pytest.raises(ValueError):  # a negative count is no abundance either
        kelpo.cooccurrence_test(np.array([[0, -3], [1, 0]]), binary=True)


def test_refused_settings_name_the_argument():
    with pytest.raises(ValueError, match="iterations"):
        kelpo.cooccurrence_test(cells, iterations=0, seed=1)
    with pytest.raises(ValueError, match="seed"):
        kelpo.cooccurrence_test(cells, seed=-5)
