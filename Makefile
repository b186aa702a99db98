# The commands of the README: `make run`, `make test` and `make bench`. Everything else is a step of
# those.
PRESETS := win32 win64 linux
FUZZ_SECONDS ?= 300

.PHONY: all deps build test run bench fuzz clean $(PRESETS)

all: build

deps:
	@cmake/deps.sh

# Configure once; afterwards Ninja re-runs CMake itself when a CMakeLists.txt changes.
$(PRESETS): deps
	@test -f build/$@/build.ninja || cmake --preset $@
	cmake --build --preset $@

build: $(PRESETS)

test: build
	ctest --preset linux

run: win64
	python3 tests/e2e/run_programs.py build/win64

# Times Corvel under Wine against the minimal window program; writes build/bench/results.md.
bench: win32 win64
	python3 tests/bench/bench.py

fuzz: linux
	mkdir -p build/linux/fuzz-corpus
	build/linux/tests/fuzz/password_record_fuzz -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=512 \
	  build/linux/fuzz-corpus tests/fuzz/seeds

clean:
	rm -rf build
