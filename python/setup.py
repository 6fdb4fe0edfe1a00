"""Builds the extension from the checkout's own C++ sources (no copy is kept here).

The Qt-free units of core/, engine/, matrix/ and results/ are compiled in:
a file is left out when its name marks it as a window, dialog or grid, or when it or
any project header it includes pulls in Qt, so the choice survives files moving.
"""
import os
import re
from pathlib import Path

from pybind11.setup_helpers import ParallelCompile, Pybind11Extension, build_ext
from setuptools import setup

HERE = Path(__file__).resolve().parent
ROOT = Path(os.environ.get("KELPO_SOURCE_DIR", HERE.parent)).resolve()
FOLDERS = ("core", "engine", "matrix", "results")
QT_NAMES = re.compile(r"^(grid.*|.*_dialog\..*|.*_window\..*)$")
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]', re.MULTILINE)


def uses_qt(path: Path, seen: dict) -> bool:
    """True when the file or a project header it includes (transitively) includes Qt."""
    if path in seen:
        return seen[path]
    seen[path] = False
    for name in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
        if name.startswith("Q") or name.startswith("qt"):
            seen[path] = True
            break
        header = ROOT / name
        if header.is_file() and uses_qt(header, seen):
            seen[path] = True
            break
    return seen[path]


def kelpo_sources() -> list:
    if not (ROOT / "core" / "p_value.cpp").is_file():
        raise SystemExit(f"kelpo: the project's sources were not found in {ROOT} (set KELPO_SOURCE_DIR)")
    seen: dict = {}
    sources = []
    for folder in FOLDERS:
        for path in sorted((ROOT / folder).glob("*.cpp")):
            if not QT_NAMES.match(path.name) and not uses_qt(path, seen):
                sources.append(os.path.relpath(path, HERE))
    return sources


class KelpoBuild(build_ext):
    """Adds the checkout's sources only when compiling: the package's file lists
    (egg-info, sdist) name the binding alone, since setuptools refuses paths outside it."""

    def build_extensions(self) -> None:
        for extension in self.extensions:
            extension.sources += kelpo_sources()
        super().build_extensions()


ParallelCompile("KELPO_BUILD_JOBS", default=2).install()
os.chdir(HERE)  # setuptools takes sources relative to the setup script
binding = sorted(os.path.relpath(p, HERE) for p in (HERE / "src").glob("*.cpp"))
extension = Pybind11Extension(
    "kelpo._kelpo",
    binding,
    include_dirs=[str(ROOT), str(HERE / "src")],
    define_macros=[("NDEBUG", "1")],
    extra_compile_args=["-O2"],
    libraries=["tbb"],
    cxx_std=20,
)
setup(ext_modules=[extension], cmdclass={"build_ext": KelpoBuild})
