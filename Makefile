# Everything from a fresh Debian 12 machine: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
COVERAGE_BUILD ?= build-coverage
JOBS       ?= $(shell nproc)
# Without Recommends, so Qt6 Charts' OpenGL headers are named: its CMake files need them.
PACKAGES   := cmake ninja-build g++ qt6-base-dev qt6-charts-dev qt6-svg-dev libqt6opengl6-dev libgtest-dev libgmock-dev \
              libbenchmark-dev libtbb-dev libpcg-cpp-dev libcli11-dev nlohmann-json3-dev
FUZZ_PACKAGES := clang libclang-rt-14-dev
# The R package alone needs these (make r, make test), so make run does not need R.
# knitr, rmarkdown and pandoc build its vignette; jsonlite, Matrix, phyloseq and coda are read by its
# tests; R CMD check --as-cran measures PDFs with qpdf and reads configure with devscripts'
# checkbashisms.
R_PACKAGES := r-base-dev r-cran-rcpp r-cran-testthat r-cran-vegan r-cran-knitr r-cran-rmarkdown pandoc \
              r-cran-jsonlite r-cran-matrix r-bioc-phyloseq r-cran-coda qpdf devscripts

# The Python package alone needs these (make python, make test). Debian's Python, not the
# first one on PATH: pip installs into a venv that sees Debian's numpy, pandas and scipy.
PY_PACKAGES := pybind11-dev python3-pybind11 python3-numpy python3-pandas python3-scipy python3-matplotlib \
               python3-biom-format python3-pytest python3-venv python3-setuptools python3-pip python3-wheel
PYTHON := /usr/bin/python3
VENV   := .venv

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps r-deps py-deps python python-test build run r r-check test bench test-slurm test-asan coverage fuzz clean

# Installs only what is missing, so a prepared machine does not touch apt.
deps:
	@$(call install_missing,$(PACKAGES))

r-deps:
	@$(call install_missing,$(R_PACKAGES))

py-deps:
	@$(call install_missing,$(PY_PACKAGES))

define install_missing
missing=""; for p in $(1); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi
endef

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/cli/kelpo-cli --progress examples/dune.txt

# Installs the R package from the checkout into R's site library; its configure
# copies the C++ sources it compiles into r/src/kelpo/ (not tracked).
# Installing from a folder builds no vignettes: they are knitted against the installed
# package, then installed with it (the second install finds the objects already built).
r: deps r-deps
	MAKEFLAGS=-j$(JOBS) R CMD INSTALL r
	Rscript -e 'tools::buildVignettes(dir = "r", tangle = TRUE)'
	mkdir -p r/inst/doc && cp r/vignettes/kelpo.Rmd r/vignettes/kelpo.R r/vignettes/kelpo.html r/inst/doc/
	MAKEFLAGS=-j$(JOBS) R CMD INSTALL r

# The source package as a repository takes it: built from the checkout (its configure
# finds the engine's sources through KELPO_SOURCE_DIR), checked offline as CRAN would,
# then installed into an empty library from a folder outside the checkout and run there.
# The manual is not built: it needs LaTeX, which nothing else here does. The data stay
# as the script that reads the installed example file (resaving would need kelpo installed).
# The clock check is off: it asks a time server.
R_CHECK_DIR ?= $(BUILD)/r-check
R_OFFLINE := _R_CHECK_CRAN_INCOMING_=false _R_CHECK_CRAN_INCOMING_REMOTE_=false \
             _R_CHECK_FUTURE_FILE_TIMESTAMPS_=false _R_CHECK_SYSTEM_CLOCK_=false \
             _R_CHECK_RD_VALIDATE_RD2HTML_=false _R_CHECK_FORCE_SUGGESTS_=false
r-check: r-deps
	rm -rf $(R_CHECK_DIR) && mkdir -p $(R_CHECK_DIR)/lib
	cd $(R_CHECK_DIR) && KELPO_SOURCE_DIR=$(CURDIR) MAKEFLAGS=-j$(JOBS) R CMD build --no-resave-data $(CURDIR)/r
	cd $(R_CHECK_DIR) && $(R_OFFLINE) MAKEFLAGS=-j$(JOBS) R CMD check --as-cran --no-manual kelpo_*.tar.gz
	@! grep -E "^Status: .*(ERROR|WARNING|[2-9] NOTEs)" $(R_CHECK_DIR)/kelpo.Rcheck/00check.log
	outside=$$(mktemp -d) && cp $(R_CHECK_DIR)/kelpo_*.tar.gz $$outside/ && cd $$outside && \
	  env -u KELPO_SOURCE_DIR MAKEFLAGS=-j$(JOBS) R CMD INSTALL -l $$outside kelpo_*.tar.gz && \
	  R_LIBS=$$outside Rscript -e 'library(kelpo); data(dune, package = "kelpo"); stopifnot(cooccurrence_test(dune, iterations = 1e4, seed = 1, progress = FALSE)$$observed == 5274)' \
	  && rm -rf $$outside

# Compiles the checkout's own core/, engine/, matrix/ and results/ sources into the module.
python: deps py-deps
	[ -x $(VENV)/bin/python ] || $(PYTHON) -m venv --system-site-packages $(VENV)
	KELPO_BUILD_JOBS=$(JOBS) $(VENV)/bin/pip install --no-build-isolation ./python

# From the tests folder, so the installed package is imported, not its sources; pytest's
# exit code 5 (no tests collected) fails make like any other: a suite that finds nothing is broken.
python-test: python build
	cd python/tests && KELPO_CLI=$(abspath $(BUILD))/cli/kelpo-cli ../../$(VENV)/bin/python -m pytest -q

# The ratio of test lines to program lines closes the run, so growth of either is seen;
# skipped where the project's shared tools are not beside the checkout.
RATIO := $(wildcard ../shared/tools/code-ratio)
# The R package's tests run in ctest (test "r") against the package installed here.
test: build r python-test
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	@$(if $(RATIO),$(RATIO))

bench: build
	./$(BUILD)/bench/kelpo-bench

# A one-node Slurm on localhost runs a sharded batch and a sharded analysis through
# examples/slurm/, and each merge is compared with a single run byte for byte. Needs
# root; not part of `make test`.
SLURM_PACKAGES := slurm-wlm munge
test-slurm: build
	@$(call install_missing,$(SLURM_PACKAGES))
	BUILD=$(BUILD) tests/slurm/slurm_test.sh

# Leaks are checked for everything, Qt included: no suppressions are needed today. Should
# a system library start to leak, list it narrowly in a suppressions file given here as
# LSAN_OPTIONS=suppressions=..., never by turning leak detection off.
ASAN_CHECKS := detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:strict_string_checks=1
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELPO_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=$(ASAN_CHECKS) UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

# Line and branch coverage of the program alone (tests, benchmarks and build trees left out).
# Atomic counters because the engine runs its work on several threads.
coverage: deps
	@dpkg-query -W -f='$${Status}' gcovr 2>/dev/null | grep -q "ok installed" || \
	  { $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends gcovr; }
	cmake -S . -B $(COVERAGE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS="--coverage -fprofile-update=atomic" -DCMAKE_EXE_LINKER_FLAGS=--coverage
	cmake --build $(COVERAGE_BUILD) -j $(JOBS)
	find $(COVERAGE_BUILD) -name '*.gcda' -delete
	cd $(COVERAGE_BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	gcovr -r . $(COVERAGE_BUILD) --exclude 'tests/' --exclude 'bench/' --exclude 'build[^/]*/' \
	  --exclude-unreachable-branches --exclude-throw-branches --print-summary -o /dev/null

# Each fuzz target runs FUZZ_SECONDS on a copy of its seed corpus; a finding stops make.
# Inputs up to 128 KiB, so that seeds with lines longer than 64 KiB are kept whole;
# each input is bounded in time and memory, and undefined behaviour counts as a finding.
FUZZ_SECONDS ?= 60
FUZZ_MAX_LEN ?= 131072
FUZZ_TARGETS := matrix_file leading_number
fuzz: deps
	@missing=""; for p in $(FUZZ_PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELPO_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(addprefix fuzz_,$(FUZZ_TARGETS))
	@for t in $(FUZZ_TARGETS); do \
	  mkdir -p fuzz-out/$$t/corpus fuzz-out/$$t/artifacts && cp -n tests/fuzz/corpus/$$t/* fuzz-out/$$t/corpus/ ; \
	  echo "== fuzz_$$t for $(FUZZ_SECONDS) s"; \
	  dict=""; [ -f tests/fuzz/$$t.dict ] && dict="-dict=tests/fuzz/$$t.dict"; \
	  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ./$(FUZZ_BUILD)/tests/fuzz/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -max_len=$(FUZZ_MAX_LEN) -rss_limit_mb=2048 \
	    -malloc_limit_mb=2048 -timeout=10 -print_final_stats=1 $$dict \
	    -artifact_prefix=fuzz-out/$$t/artifacts/ fuzz-out/$$t/corpus || exit 1; \
	done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(COVERAGE_BUILD)
