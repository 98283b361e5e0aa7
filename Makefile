# Thin wrapper over CMake. `make run` and `make test` install what is missing first.
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 30
PREFIX ?= /usr/local
DESTDIR ?=
JOBS ?= $(shell nproc)

.PHONY: all deps build run test check-sanitize check-fuzz install clean

all: build

deps:
	@sh tools/deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_INSTALL_PREFIX=$(PREFIX)

build: $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: deps build
	@sh tools/run.sh $(BUILD)

# The tests, then a short run of every fuzzer, then the same tests built
# with AddressSanitizer and UndefinedBehaviorSanitizer (CTest's summary last).
test: deps build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	$(MAKE) --no-print-directory check-fuzz check-sanitize

check-sanitize: deps
	JOBS=$(JOBS) sh tools/sanitize.sh $(SANITIZE_BUILD)

check-fuzz: deps
	sh tools/fuzz.sh -t $(FUZZ_SECONDS) -b $(FUZZ_BUILD) -s 1

install: build
	DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD)
