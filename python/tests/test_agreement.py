"""The package's numbers are kelpo-cli's for the same matrix, settings and seed."""

import numpy as np
import pandas as pd
import pytest

import kelpo
from conftest import DUNE

dune = kelpo.read_matrix(DUNE)
FIGURES = ["observed", "simulated_mean", "simulated_sd", "ses", "quantile_025", "quantile_975", "ci_low",
           "ci_high", "less", "equal"]
MIXING = ["rhat", "ess", "p_lower", "p_upper", "p_two_sided", "iterations_run", "iterations_kept", "sampler",
          "time_limit_reached"]


@pytest.mark.parametrize("statistic,seed,threads", [("cscore", 7, 1), ("checkerboards", 3, 2),
                                                    ("combinations", 11, None)])
def test_test_matches_cli(cli, statistic, seed, threads):
    expected, _ = cli("--no-power", "--statistic", statistic, "--iterations", 5000, "--seed", seed)
    result = kelpo.cooccurrence_test(dune, statistic, iterations=5000, seed=seed, threads=threads, sampler="swap")
    got = result.to_dict()
    assert {k: got[k] for k in FIGURES} == {k: expected[k] for k in FIGURES}
    assert got["p_report"] == expected["p_value"]
    assert got["null_distribution"] == expected["null_distribution"]
    assert got["trace"] == expected["trace"]
    assert result.seed == seed


def test_analysis_matches_cli(cli, tmp_path):
    expected, report = cli("--null", "interactions", "--iterations", 2000, "--matrices", 3, "--seed", 5)
    result = kelpo.analysis(dune, null="interactions", iterations=2000, matrices=3, seed=5, sampler="swap")
    assert result.report_bytes == report
    path = tmp_path / "report.txt"
    result.write_report(path)
    assert path.read_bytes() == report
    table = pd.DataFrame(expected["power_table"])
    table["proportion"] = np.array([0.0, 0.5, 1.0])[table["proportion"] - 1]
    pd.testing.assert_frame_equal(result.power.table, table, check_dtype=False)
    assert [result.power.actual_size, result.power.min_power, result.power.max_power] == [
        expected["actual_size"], expected["min_power"], expected["max_power"]]
    assert result.test.p_report == expected["p_value"]


def test_pairs_match_cli(cli):
    expected, _ = cli("--pairs", "--samples", 800, "--thin", 50, "--seed", 9)
    pairs = kelpo.pairwise_test(dune, samples=800, thin=50, seed=9)
    cli_pairs = pd.DataFrame(expected["pairs"]).fillna(np.nan)
    pd.testing.assert_frame_equal(pairs[cli_pairs.columns], cli_pairs, check_dtype=False)


def test_seed_none_is_recorded_and_reproduces():
    first = kelpo.cooccurrence_test(dune, iterations=2000)
    again = kelpo.cooccurrence_test(dune, iterations=2000, seed=first.seed)
    assert first.to_dict() == again.to_dict()


def test_matrix_file_round_trip(tmp_path):
    kelpo.write_matrix(dune, tmp_path / "copy.txt")
    copy = kelpo.read_matrix(tmp_path / "copy.txt")
    pd.testing.assert_frame_equal(copy, dune)
    assert copy.attrs["kelpo_name"] == "copy"
    dune.T.to_csv(tmp_path / "dune.csv")  # pandas quotes nothing here; the CSV reader is kelpo-cli's
    pd.testing.assert_frame_equal(kelpo.read_matrix(tmp_path / "dune.csv", species="columns"), dune,
                                  check_names=False)


@pytest.mark.parametrize("iterations", [20000, "auto"])
def test_mixing_matches_cli(cli, iterations):
    expected, _ = cli("--no-power", "--iterations", iterations, "--sampler", "auto", "--seed", 4)
    result = kelpo.cooccurrence_test(dune, iterations=iterations, seed=4)
    got = result.to_dict()
    assert {k: got[k] for k in MIXING} == {k: expected[k] for k in MIXING}
    assert (result.mixing_warning is None) == expected["mixed"]
    assert f"R-hat {result.mixing_line.split('R-hat ')[1].split(',')[0]}" in repr(result)


def test_alternative_picks_its_tail():
    # A Hadamard design: every pair of species shares exactly 3 of its 7 sites, more evenly
    # than random matrices with these sums, whose C-score is higher: aggregation.
    cells = np.array([[bin(i & j).count("1") % 2 == 0 for j in range(1, 16)] for i in range(1, 16)], dtype=int)
    tails = {"two-sided": "p_two_sided", "greater": "p_upper", "less": "p_lower"}
    results = {a: kelpo.cooccurrence_test(cells, seed=2, alternative=a) for a in tails}
    assert all(r.p_value == getattr(r, tails[a]) for a, r in results.items())
    assert results["less"].p_value < 0.01 < results["greater"].p_value
    with pytest.raises(ValueError, match="alternative"):
        kelpo.cooccurrence_test(cells, alternative="two.sided")
