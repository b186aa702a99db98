# The README's two commands are `make demo` and `make test`; `make dist` packs the release and
# `make bench` measures Corvel. Every target installs what it needs first (see cmake/deps.sh).
PRESETS := win32 win64 linux
FUZZ_SECONDS ?= 300

.PHONY: all deps build test demo dist bench fuzz clean $(PRESETS)

all: build

deps:
	@cmake/deps.sh

# Configure once; afterwards Ninja re-runs CMake itself when a CMakeLists.txt changes.
$(PRESETS): deps
	@test -f build/$@/build.ninja || cmake --preset $@
	cmake --build --preset $@

build: $(PRESETS)

test: build
	@python3 tools/wine_desktop.py programs build/win32 build/win64
	ctest --preset linux

# LIVE=1 shows the programs on $$DISPLAY for a person to use instead.
demo: win32 win64
	python3 tools/demo.py --win32 build/win32 --win64 build/win64 --out build/demo

dist: win32
	python3 cmake/dist.py --win32 build/win32 --source . --out build/dist

# Times Corvel under Wine against the minimal window program; writes build/bench/results.md.
bench: win32 win64
	python3 tools/bench.py

fuzz: linux
	mkdir -p build/linux/fuzz-corpus
	build/linux/tests/fuzz/password_record_fuzz -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=512 \
	  build/linux/fuzz-corpus tests/fuzz/seeds

clean:
	rm -rf build
