# Everyday entry points. `make test` and `make demo` set up everything they
# need (system packages, .venv with CPython 3.12 and the BLAS, ONNX Runtime)
# on first use.
PY        := .venv/bin/python
BUILD     := build
CMAKE_GEN := -G Ninja
JOBS      ?= 2

.PHONY: all setup build test test-cpp test-python test-deep test-big demo asan asan-build test-deep-asan bench docs soak stubs wheel clean

all: build

setup:
	@bash tools/setup.sh

# Installs the extension into .venv; the build tree under build/ is kept, so
# a second run only recompiles what changed.
build: setup
	@$(PY) -m pip install --no-build-isolation --no-deps -q .

test: build test-cpp test-python

test-cpp: setup
	@cmake -S . -B $(BUILD)/cpp $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DQUORLIB_BUILD_TESTS=ON -DQUORLIB_BUILD_MODULE=OFF >/dev/null
	@cmake --build $(BUILD)/cpp -j $(JOBS)
	@ctest --test-dir $(BUILD)/cpp --output-on-failure -j $(JOBS)

test-python: build
	@$(PY) -m pytest -q

# The property tests with DEEP times their usual examples, all freshly drawn.
DEEP       ?= 50
DEEP_ASAN  ?= 10
PROPERTIES := tests/python/test_properties.py
test-deep: build
	@QUORLIB_DEEP=$(DEEP) $(PY) -m pytest -q -p no:cacheprovider --hypothesis-show-statistics $(PROPERTIES)

# Sizes at the integer limits of BLAS and LAPACK, kept out of `make test`
# for the memory they take (about 9 GiB).
test-big: build
	@$(PY) -m pytest -q -p no:cacheprovider tests/big

demo: build
	@$(PY) examples/tour.py

# AddressSanitizer + UndefinedBehaviorSanitizer: the extension and the C++
# tests are built instrumented in their own tree and the suites run there.
ASAN_RT    = $(shell g++ -print-file-name=libasan.so)
UBSAN_RT   = $(shell g++ -print-file-name=libubsan.so)
SAN_ENV    = QUORLIB_SANITIZED=1 ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1:abort_on_error=1 \
             UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
SAN_RUN    = $(SAN_ENV) LD_PRELOAD="$(ASAN_RT) $(UBSAN_RT)" PYTHONPATH=$(abspath $(BUILD)/asan) \
             $(PY) -m pytest -q -p no:cacheprovider
asan-build: setup
	@cmake -S . -B $(BUILD)/asan $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug \
	    -DQUORLIB_SANITIZE=ON -DQUORLIB_BUILD_TESTS=ON \
	    -DPython_EXECUTABLE=$(abspath $(PY)) \
	    -Dpybind11_DIR=$$($(PY) -m pybind11 --cmakedir) >/dev/null
	@cmake --build $(BUILD)/asan -j $(JOBS)

asan: asan-build
	@ASAN_OPTIONS=allocator_may_return_null=1 ctest --test-dir $(BUILD)/asan --output-on-failure -j $(JOBS)
	@$(SAN_RUN)

test-deep-asan: asan-build
	@QUORLIB_DEEP=$(DEEP_ASAN) $(SAN_RUN) --hypothesis-show-statistics $(PROPERTIES)

bench: build
	@$(PY) bench/bench_calls.py
	@$(PY) bench/bench_large.py
	@$(PY) bench/bench_model.py
	@$(PY) bench/bench_buffers.py
	@$(PY) bench/bench_silero.py
	@$(PY) bench/bench_threads.py
	@$(PY) bench/bench_run.py
	@$(PY) bench/bench_model_threads.py

# The documentation site, into site/ (open site/index.html). Strict: a broken
# link or reference fails the build. It reads the type stubs and the committed
# bench/results/*.json, so it needs no build of the extension.
docs: setup
	@NO_MKDOCS_2_WARNING=1 $(PY) -m mkdocs build --strict --quiet
	@echo "site/index.html built"

# Creates, slices, prints and drops 10^6 containers, then loads, runs and
# drops a model 200 times, watching resident memory.
soak: build
	@$(PY) tools/soak.py --count 1000000 --models 200

clean:
	rm -rf $(BUILD) dist site

# A self-contained wheel in dist/: the extension with the runtime library,
# and the BLAS library (with LAPACKE) grafted in by auditwheel (glibc 2.34 or
# newer); it does not require the BLAS package it carries.
WHEEL_PLAT := manylinux_2_34_x86_64
wheel: setup
	@rm -rf $(BUILD)/wheel && mkdir -p dist
	@$(PY) -m pip wheel --no-build-isolation --no-deps -q -w $(BUILD)/wheel .
	@PATH=$(abspath .venv/bin):$$PATH $(PY) tools/repair_wheel.py $(WHEEL_PLAT) dist $(BUILD)/wheel/*.whl
	@ls -l dist/*.whl

# Type stubs, generated from the built module, with every parameter marked
# positional-only as the module accepts them.
stubs: build
	@$(PY) -m pybind11_stubgen quorlibcore -o $(BUILD)/stubs >/dev/null
	@$(PY) tools/positional_only_stubs.py $(BUILD)/stubs/quorlibcore.pyi
	@cp $(BUILD)/stubs/quorlibcore.pyi python/quorlibcore.pyi
	@$(PY) -m pybind11_stubgen quorlibcore_buffers -o $(BUILD)/stubs >/dev/null
	@$(PY) tools/positional_only_stubs.py $(BUILD)/stubs/quorlibcore_buffers.pyi
	@cp $(BUILD)/stubs/quorlibcore_buffers.pyi buffers/quorlibcore_buffers.pyi
	@echo "python/quorlibcore.pyi and buffers/quorlibcore_buffers.pyi regenerated"
