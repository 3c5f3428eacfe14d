# The two commands of the README, plus benchmarks and fuzzing.
#   make run    set up, build, and run the bundled demo scenario
#   make test   set up, build with AddressSanitizer and UBSan, run every test
#   make install [PREFIX=/usr/local] [DESTDIR=/staging]   install the programs and their data
#   make deb    a Debian package, in $(DEB_BUILD)/
#   make vsix   the editor package for VS Code, in $(BUILD)/
#   make web    the browser build, in $(WEB_BUILD)/ (docs/web.md); make web-test plays it in headless Chromium
BUILD      ?= build
TEST_BUILD ?= build-test
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
FUZZ_SECONDS ?= 60
PREFIX     ?= /usr/local
DEB_BUILD  ?= build-deb
WEB_BUILD  ?= build-web

.PHONY: all setup build run test bench fuzz clean update-goldens install deb vsix web web-test

all: build

setup:
	@./scripts/setup.sh

build: setup
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQVL_SANITIZE=OFF -DQVL_TESTS=OFF >/dev/null
	@cmake --build $(BUILD) -j$(JOBS) --target quorvel qvl-txd

run: build
	./$(BUILD)/program/quorvel demo

# What gets installed is in packaging/CMakeLists.txt; the program finds its data
# from its own place, so a DESTDIR staging or a moved install works as it is.
install: build
	@cmake --build $(BUILD) -j$(JOBS)
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)" --strip

deb: setup
	@cmake -S . -B $(DEB_BUILD) -DCMAKE_BUILD_TYPE=Release -DQVL_SANITIZE=OFF -DQVL_TESTS=OFF >/dev/null
	@cmake --build $(DEB_BUILD) -j$(JOBS) --target quorvel qvl-txd qvl-img qvl_manpages
	cd $(DEB_BUILD) && cpack -G DEB
	@ls $(DEB_BUILD)/quorvel_*.deb

test: setup
	@cmake -S . -B $(TEST_BUILD) -DCMAKE_BUILD_TYPE=Debug -DQVL_SANITIZE=ON >/dev/null
	@cmake --build $(TEST_BUILD) -j$(JOBS)
	cd $(TEST_BUILD) && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
	  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j$(JOBS)

bench: setup
	@cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DQVL_SANITIZE=OFF -DQVL_TESTS=OFF -DQVL_BENCH=ON >/dev/null
	@cmake --build $(BENCH_BUILD) -j$(JOBS) --target qvl_bench quorvel qvl_window_watch
	./$(BENCH_BUILD)/bench/qvl_bench
	./bench/window_bench.sh $(BENCH_BUILD)/program/quorvel demo
	/usr/bin/python3 bench/web_idle.py $(WEB_BUILD)

fuzz: setup
	@command -v clang++ >/dev/null || { echo "make fuzz needs clang++ (apt-get install clang)"; exit 1; }
	@CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQVL_TESTS=OFF -DQVL_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j$(JOBS)
	@for f in $(FUZZ_BUILD)/fuzz/*_fuzz; do \
	  name=$$(basename $$f); mkdir -p $(FUZZ_BUILD)/corpus/$$name; \
	  seeds=""; [ -d fuzz/seeds/$$name ] && seeds=fuzz/seeds/$$name; \
	  echo "== $$name"; $$f -max_total_time=$(FUZZ_SECONDS) $(FUZZ_BUILD)/corpus/$$name $$seeds > $(FUZZ_BUILD)/$$name.log 2>&1 \
	    || { tail -n 30 $(FUZZ_BUILD)/$$name.log; exit 1; }; tail -n 1 $(FUZZ_BUILD)/$$name.log; \
	done

clean:
	rm -rf $(BUILD) $(TEST_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD) $(DEB_BUILD)

# Rewrites the golden frames of the scenario tests from the current engine. Look at
# every changed picture (git diff --stat tests/golden) before committing it.
update-goldens: setup
	@cmake -S . -B $(TEST_BUILD) -DCMAKE_BUILD_TYPE=Debug -DQVL_SANITIZE=ON >/dev/null
	@cmake --build $(TEST_BUILD) -j$(JOBS) --target scenarios_tests
	QVL_UPDATE_GOLDENS=1 ./$(TEST_BUILD)/tests/scenarios_tests

# The VS Code extension (editors/vscode) packed as a .vsix; it has no npm
# dependencies, so nothing is downloaded.
vsix: setup
	@./scripts/make_vsix.sh $(BUILD)

# The browser build: its libraries from Debian's source packages on the first run
# (cached in ~/.cache/quorvel-web), then the engine with emscripten.
web:
	@./scripts/web_build.sh $(WEB_BUILD)

# The browser build played in headless Chromium against the headless runner.
web-test: web build
	/usr/bin/python3 tests/web/web_test.py $(WEB_BUILD) $(BUILD)/program/quorvel
