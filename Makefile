# Two commands for a fresh machine: `make run` and `make test`.
BUILD_DIR ?= build/release
JOBS ?= $(shell nproc 2>/dev/null || echo 4)
CMAKE_FLAGS ?=
BENCH_SECONDS ?= 1

SANITIZE_DIR ?= build/sanitize
THREAD_SANITIZE_DIR ?= build/thread-sanitize

.PHONY: all build run test test-sanitize test-thread-sanitize bench signature clean

all: build

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

build: $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS) --target morvax-vudu
	$(BUILD_DIR)/morvax-vudu

bench: $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS) --target morvax-sp
	bench/run-bench.sh $(BUILD_DIR)/morvax-sp $(BENCH_SECONDS)

# The full bench signature with its time: the node total must stay exactly the
# committed one through any change meant only for speed.
signature: $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS) --target bench_signature
	set -- $$(awk '$$1 == "full" { print $$2, $$3 }' bench/signature.txt) && \
	  $(BUILD_DIR)/tests/bench_signature bench/bench.fen $$1 --expect $$2

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS) --timeout 600

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize:
	cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVAX_SANITIZE=ON
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && ctest --output-on-failure -j $(JOBS) --timeout 600

# The multi-threaded build under ThreadSanitizer: the shared tablebase cache,
# the search on several threads with hundreds of searches stopped at random
# moments, and the program's own stop and quit with all its threads.
THREAD_STRESS_SEARCHES ?= 300
test-thread-sanitize:
	cmake -S . -B $(THREAD_SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVAX_SANITIZE_THREAD=ON
	cmake --build $(THREAD_SANITIZE_DIR) -j $(JOBS) --target tablebase_threads_tests search_threads_tests e2e_threads_tests
	$(MAKE) --no-print-directory -j 3 --output-sync=target $(THREAD_SANITIZE_RUNS:%=thread-sanitize-run-%)

# The three programs run side by side (each waits mostly on its own threads),
# their outputs kept whole, one after another.
THREAD_SANITIZE_RUNS = tablebase_threads_tests search_threads_tests e2e_threads_tests
thread-sanitize-run-%:
	MORVAX_THREAD_STRESS_SEARCHES=$(THREAD_STRESS_SEARCHES) $(THREAD_SANITIZE_DIR)/tests/$*

clean:
	rm -rf build
