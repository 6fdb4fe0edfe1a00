import json
import os
import subprocess
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
DUNE = ROOT / "examples" / "dune.txt"
CLI = Path(os.environ.get("KELPO_CLI", ROOT / "build" / "cli" / "kelpo-cli"))


@pytest.fixture(scope="session")
def cli(tmp_path_factory):
    """kelpo-cli's JSON (and --output bytes) for a file and options."""
    if not CLI.exists():
        pytest.fail(f"kelpo-cli not built at {CLI} (make build, or set KELPO_CLI)")
    folder = tmp_path_factory.mktemp("cli")

    def run(*options, matrix=DUNE):
        out, report = folder / "out.json", folder / "report.txt"
        extra = [] if "--pairs" in options else ["--output", str(report)]
        subprocess.run([str(CLI), *map(str, options), "--json", str(out), *extra, str(matrix)], check=True,
                       capture_output=True)
        return json.loads(out.read_text()), (None if extra == [] else report.read_bytes())
    return run
