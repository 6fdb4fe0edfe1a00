"""The hypothesis test, the power analysis and the whole analysis with its report."""
from __future__ import annotations

import os
import warnings
from dataclasses import dataclass, field
from typing import Any, Dict, List, Optional, Sequence, Union

import numpy as np
import pandas as pd

from . import _kelpo
from ._input import number_text, presence_matrix, seed_value, show_progress, threads_count

STATISTICS = ("cscore", "checkerboards", "combinations")
ALTERNATIVES = {"two-sided": "p_two_sided", "greater": "p_upper", "less": "p_lower"}
SAMPLERS = ("auto", "swap", "curveball")
NULLS = ("none", "interactions", "sites", "species")
_LABELS = {"cscore": "C-score", "checkerboards": "Number of checkerboards",
           "combinations": "Number of species combinations"}
_PROPORTIONS = np.array([0.0, 0.5, 1.0])  # proportion index 1..3 of species interacting


def statistic_label(statistic: str) -> str:
    """The statistic's name for captions and axes."""
    return _LABELS[statistic]


def _fmt(x: float, digits: int = 4) -> str:
    """A number as R's format(x, digits) shows it: significant digits, no exponent for large values."""
    return f"{x:.0f}" if abs(x) >= 10**digits else f"{x:.{digits}g}"


def _count(x: float) -> str:
    return f"{x:,.0f}"


@dataclass(frozen=True)
class CooccurrenceResult:
    """One co-occurrence test: the observed statistic against its null distribution.

    Attributes are named like the keys of ``kelpo-cli --json``, except that
    ``p_value`` is the tail the ``alternative`` chose and ``p_report`` is the
    report's P-Value (the JSON's ``p_value``), whose bootstrap interval
    ``ci_low`` and ``ci_high`` give.
    """

    statistic: str
    observed: int
    simulated_mean: float
    simulated_sd: float
    ses: Optional[float]
    p_value: float
    ci_low: float
    ci_high: float
    less: float
    equal: float
    quantile_025: Optional[int]
    quantile_975: Optional[int]
    null_distribution: pd.Series = field(repr=False)
    trace: pd.DataFrame = field(repr=False)
    iterations: int
    seed: int
    species: int
    sites: int
    p_lower: float = 1.0
    p_upper: float = 1.0
    p_two_sided: float = 1.0
    rhat: float = float("nan")
    ess: float = 0.0
    iterations_run: int = 0
    iterations_kept: int = 0
    time_limit_reached: bool = False
    sampler: str = "swap"
    alternative: str = "two-sided"
    p_report: float = 1.0
    mixing_line: str = field(default="", repr=False)
    mixing_warning: Optional[str] = field(default=None, repr=False)

    def to_dict(self) -> Dict[str, Any]:
        """The figures as ``kelpo-cli --json`` names and nests them."""
        traces = [{"replicate": int(r), "iteration": g["iteration"].tolist(), "value": g["value"].tolist()}
                  for r, g in self.trace.groupby("replicate", sort=True)]
        return {
            "species": self.species, "sites": self.sites, "statistic": self.statistic,
            "observed": self.observed, "simulated_mean": self.simulated_mean, "simulated_sd": self.simulated_sd,
            "ses": self.ses, "quantile_025": self.quantile_025, "quantile_975": self.quantile_975,
            "p_value": self.p_value, "ci_low": self.ci_low, "ci_high": self.ci_high,
            "less": self.less, "equal": self.equal, "iterations": self.iterations, "seed": self.seed,
            "p_lower": self.p_lower, "p_upper": self.p_upper, "p_two_sided": self.p_two_sided,
            "rhat": self.rhat, "ess": self.ess, "iterations_run": self.iterations_run,
            "iterations_kept": self.iterations_kept, "time_limit_reached": self.time_limit_reached,
            "sampler": self.sampler, "alternative": self.alternative, "p_report": self.p_report,
            "null_distribution": [{"value": int(v), "count": int(c)} for v, c in self.null_distribution.items()],
            "trace": traces,
        }

    def __repr__(self) -> str:
        ses = "NA" if self.ses is None else f"{self.ses:.3g}"
        side = {"two-sided": "two-sided", "greater": "upper tail", "less": "lower tail"}[self.alternative]
        warning = f"  {self.mixing_warning}\n" if self.mixing_warning else ""
        return (f"Kelpo co-occurrence test: {statistic_label(self.statistic)} of {self.species} species x "
                f"{self.sites} sites\n"
                f"  observed {_fmt(self.observed)}, random matrices {_fmt(self.simulated_mean)} +- "
                f"{_fmt(self.simulated_sd)} (SES {ses})\n"
                f"  p-value {_fmt(self.p_value)} ({side}; lower tail {_fmt(self.p_lower)}, upper tail "
                f"{_fmt(self.p_upper)}) from {_count(self.iterations)} random matrices\n"
                f"  {self.mixing_line}\n{warning}"
                f"  seed {self.seed}")

    def plot(self, kind: str = "null", ax: Any = None) -> Any:
        """Draw the null distribution (``kind="null"``) or the replicate chains (``"chain"``).

        Returns the matplotlib Axes.
        """
        from .plots import plot_chain, plot_null
        if kind not in ("null", "chain"):
            raise ValueError('kind must be "null" or "chain".')
        return plot_null(self, ax) if kind == "null" else plot_chain(self, ax)


@dataclass(frozen=True)
class PowerResult:
    """The power analysis: rejection rates of simulated communities of known structure.

    ``table`` has R's columns: proportion (of species interacting), distribution
    (1 to 12), in_null and rejection_rate. Rows inside the null hypothesis give the
    Type I error rates (their largest is ``actual_size``), the others the power.
    """

    table: pd.DataFrame
    actual_size: float
    min_power: float
    max_power: float
    warnings: List[str]
    null: str
    statistic: str
    matrices: int

    def __repr__(self) -> str:
        lines = [f"Kelpo power analysis: {statistic_label(self.statistic)} test, null hypothesis: {self.null}",
                 f"{self.matrices} simulated communities per row", "", self.table.to_string(index=False), "",
                 f"Actual size (largest Type I error rate): {self.actual_size:.3f} (nominal 0.050)",
                 f"Power: minimum {self.min_power:.3f}, maximum {self.max_power:.3f}"]
        lines += [f"Warning: {w}" for w in self.warnings] or [
            "The test has tolerable Type I error rates and adequate power."]
        return "\n".join(lines)

    def plot(self, ax: Any = None) -> Any:
        """Draw the rejection rate of each kind of community; returns the matplotlib Axes."""
        from .plots import plot_power
        return plot_power(self, ax)


@dataclass(frozen=True)
class AnalysisResult:
    """The power analysis and the test of the matrix, with Kelpo's report."""

    test: CooccurrenceResult
    power: PowerResult
    report_bytes: bytes = field(repr=False)

    @property
    def report(self) -> str:
        """The report text, lines ending CR LF: what ``kelpo-cli --output`` writes."""
        return self.report_bytes.decode("utf-8")

    def write_report(self, path: Union[str, os.PathLike]) -> None:
        """Save the report, replacing ``path`` only once every byte is on disk."""
        _kelpo.write_text(os.fspath(path), self.report_bytes)

    def __str__(self) -> str:
        return self.report.replace("\r\n", "\n")

    def __repr__(self) -> str:
        return f"{self.test!r}\n\n{self.power!r}"

    def plot(self, kind: str = "null", ax: Any = None) -> Any:
        """Any chart of the analysis: ``"null"``, ``"chain"`` or ``"power"``."""
        return self.power.plot(ax) if kind == "power" else self.test.plot(kind, ax)


def _options(statistic: str, null: str = "none", assume: Sequence[str] = (), interactions: Optional[int] = None,
             matrices: Any = 100, iterations: Any = "auto", seed: int = 0, name: str = "", max_seconds: Any = 600,
             sampler: str = "auto") -> Dict[str, Any]:
    if statistic not in STATISTICS:
        raise ValueError(f"statistic must be one of {', '.join(STATISTICS)}, not {statistic!r}.")
    if null not in NULLS:
        raise ValueError(f"null must be one of {', '.join(NULLS)}, not {null!r}.")
    assume = [assume] if isinstance(assume, str) else list(assume)
    unknown = [a for a in assume if a not in ("sites", "species")]
    if unknown:
        raise ValueError(f"Unknown assumption {unknown[0]!r}: assume takes \"sites\" and \"species\" "
                         "(the interactions go in interactions=).")
    if interactions is not None and interactions not in (0, 50, 100):
        raise ValueError("interactions must be None (no assumption) or the percentage of interacting species: "
                         "0, 50 or 100.")
    if sampler not in SAMPLERS:
        raise ValueError(f"sampler must be one of {', '.join(SAMPLERS)}, not {sampler!r}.")
    auto = isinstance(iterations, str) and iterations == "auto"
    return {"statistic": statistic, "null": "" if null == "none" else null, "assume": assume,
            "interactions": interactions, "iterations": "auto" if auto else number_text(iterations, "iterations"),
            "matrices": number_text(matrices, "matrices"), "seed": str(seed), "name": name,
            "max_seconds": number_text(max_seconds, "max_seconds"), "sampler": sampler}


def _run(x: Any, options: Dict[str, Any], species: str, binary: bool, threads: Any, power: bool,
         progress: Any) -> Dict[str, Any]:
    matrix, _, _ = presence_matrix(x, species, binary)
    out = _kelpo.run(matrix, options, threads_count(threads), power, show_progress(progress))
    for text in out["setting_warnings"]:  # a script has no dialog to answer: the run went on
        warnings.warn(text.removeprefix("Warning: ").replace(" Continue?", ""), stacklevel=3)
    out["shape"] = (matrix.rows, matrix.cols)
    return out


def _check_alternative(alternative: str) -> None:
    if alternative not in ALTERNATIVES:
        raise ValueError(f"alternative must be one of {', '.join(ALTERNATIVES)}, not {alternative!r}.")


def _test_result(out: Dict[str, Any], options: Dict[str, Any], alternative: str = "two-sided") -> CooccurrenceResult:
    null = pd.Series(out["null_counts"], index=pd.Index(out["null_values"], name="value"), name="count")
    parts = [pd.DataFrame({"replicate": r + 1, "iteration": it, "value": v}) for r, (it, v) in
             enumerate(out["traces"])]
    trace = pd.concat(parts, ignore_index=True) if parts else pd.DataFrame(columns=["replicate", "iteration",
                                                                                    "value"])
    keys = ("observed", "simulated_mean", "simulated_sd", "ses", "ci_low", "ci_high", "less", "equal",
            "quantile_025", "quantile_975", "p_lower", "p_upper", "p_two_sided", "rhat", "ess", "iterations_run",
            "iterations_kept", "time_limit_reached", "sampler", "mixing_line", "mixing_warning")
    return CooccurrenceResult(statistic=options["statistic"], null_distribution=null, trace=trace,
                              iterations=out["iterations_kept"], seed=int(options["seed"]),
                              species=out["shape"][0], sites=out["shape"][1], alternative=alternative,
                              p_value=out[ALTERNATIVES[alternative]], p_report=out["p_value"],
                              **{k: out[k] for k in keys})


def _power_result(out: Dict[str, Any], options: Dict[str, Any]) -> PowerResult:
    columns = out["power_table"]
    table = pd.DataFrame({"proportion": _PROPORTIONS[np.asarray(columns["proportion"], dtype=int) - 1],
                          "distribution": columns["distribution"], "in_null": columns["in_null"],
                          "rejection_rate": columns["rejection_rate"]})
    return PowerResult(table=table, actual_size=out["actual_size"], min_power=out["min_power"],
                       max_power=out["max_power"], warnings=list(out["report_warnings"]),
                       null=options["null"] or "none", statistic=options["statistic"],
                       matrices=int(float(options["matrices"])))


def cooccurrence_test(x: Any, statistic: str = "cscore", iterations: Union[str, int] = "auto",
                      sampler: str = "auto", seed: Optional[int] = None, threads: Optional[int] = None,
                      species: str = "rows", alternative: str = "two-sided", binary: bool = False,
                      progress: Optional[bool] = None, max_seconds: float = 600) -> CooccurrenceResult:
    """Test whether species co-occur at random.

    Compares a co-occurrence statistic of the matrix with its values in random
    matrices of the same row and column sums (ten replicate swap chains).

    Parameters
    ----------
    x : numpy.ndarray, pandas.DataFrame, scipy.sparse matrix or biom.Table
        Presence-absence table, species x sites (0 and 1); a biom.Table's
        observations are the species, its samples the sites.
    statistic : {"cscore", "checkerboards", "combinations"}
        C-score, species pairs sharing no site, or distinct species combinations.
    iterations : "auto" or int
        "auto" runs the ten replicate chains in rounds, each doubling their
        length, until their R-hat is at most 1.01 and their ESS at least 1000
        (or ``max_seconds`` have passed), the first half of each kept as
        burn-in; a number gives the simulated matrices over the ten replicates
        (``kelpo-cli --iterations``). With "auto" the curveball's chains on
        larger tables read the statistic every few hundred or thousand trades
        (``result.mixing_line`` says how often), each read standing for the
        trades since the last.
    sampler : {"auto", "swap", "curveball"}
        The chain: the swap flips one 2 x 2 checkerboard a step, the curveball
        lets two species trade the sites they do not share; "auto" takes the
        curveball where fewer than 15 in 100 swap proposals would be accepted
        (nearly every table), else the swap. ``result.sampler`` names the one used.
    seed : int, optional
        Seed of the random numbers; None draws one from numpy's default
        generator. The seed used is recorded as ``result.seed``.
    threads : int, optional
        Worker threads; None uses every core. The numbers never depend on it.
    species : {"rows", "columns"}
        Whether the species are the rows (default) or the columns of ``x``.
    alternative : {"two-sided", "greater", "less"}
        Which tail gives ``p_value``: twice the smaller tail, the share of
        random matrices at least as large as the observed statistic, or at
        most as large. For the C-score and checkerboards "greater" asks for
        more segregation than at random, "less" for aggregation; for
        combinations "less" asks for fewer distinct combinations (segregation).
    binary : bool
        True reads every value above 0 as a presence (abundances).
    progress : bool, optional
        Progress bar on standard error; None shows it when stderr is a terminal.
    max_seconds : float
        With ``iterations="auto"``, no round is begun that would end later.

    Returns
    -------
    CooccurrenceResult

    Raises
    ------
    ValueError
        For a table that is empty, holds NaN, negative or (without ``binary``)
        values other than 0 and 1, or repeats a name; for refused settings.
    KeyboardInterrupt
        When Ctrl-C stops the run.
    """
    options = _options(statistic, iterations=iterations, seed=seed_value(seed), max_seconds=max_seconds,
                       sampler=sampler)
    _check_alternative(alternative)
    return _test_result(_run(x, options, species, binary, threads, False, progress), options, alternative)


def analysis(x: Any, statistic: str = "cscore", null: str = "none", assume: Sequence[str] = (),
             interactions: Optional[int] = None, matrices: int = 100, iterations: Union[str, int] = "auto",
             seed: Optional[int] = None, threads: Optional[int] = None, species: str = "rows",
             binary: bool = False, progress: Optional[bool] = None, name: Optional[str] = None,
             sampler: str = "auto", max_seconds: float = 600, alternative: str = "two-sided") -> AnalysisResult:
    """The power analysis, then the test of the matrix, with Kelpo's report.

    Parameters
    ----------
    x, statistic, iterations, seed, threads, species, binary, progress, sampler, max_seconds, alternative
        As for :func:`cooccurrence_test`; with ``iterations="auto"`` the test of
        the matrix finds its length first, and each community's test runs as long.
    null : {"none", "interactions", "sites", "species"}
        The null hypothesis whose simulated communities count as true.
    assume : sequence of {"sites", "species"}
        Assumptions that leave out the distributions they exclude.
    interactions : {None, 0, 50, 100}
        Percentage of species assumed to interact.
    matrices : int
        Simulated communities per row of the power table.
    name : str, optional
        The matrix's name in the report; by default the file
        :func:`read_matrix` read it from (``x.attrs["kelpo_name"]``), or none.

    Returns
    -------
    AnalysisResult
        ``.test``, ``.power`` and ``.report`` (the bytes of ``kelpo-cli --output``).
    """
    if name is None:
        name = getattr(x, "attrs", {}).get("kelpo_name", "")
    _check_alternative(alternative)
    options = _options(statistic, null, assume, interactions, matrices, iterations, seed_value(seed), name,
                       max_seconds, sampler)
    out = _run(x, options, species, binary, threads, True, progress)
    return AnalysisResult(_test_result(out, options, alternative), _power_result(out, options), out["report"])


def power_analysis(x: Any, statistic: str = "cscore", null: str = "none", assume: Sequence[str] = (),
                   interactions: Optional[int] = None, matrices: int = 100, iterations: Union[str, int] = "auto",
                   seed: Optional[int] = None, threads: Optional[int] = None, species: str = "rows",
                   binary: bool = False, progress: Optional[bool] = None, sampler: str = "auto",
                   max_seconds: float = 600) -> PowerResult:
    """How far the test can be trusted for this matrix: see :func:`analysis` for the parameters.

    Returns
    -------
    PowerResult
    """
    return analysis(x, statistic, null, assume, interactions, matrices, iterations, seed, threads, species,
                    binary, progress, sampler=sampler, max_seconds=max_seconds).power
