# Thin wrapper over CMake. `make run` and `make test` install what is missing first.
BUILD ?= build
PREFIX ?= /usr/local
DESTDIR ?=
JOBS ?= $(shell nproc)

.PHONY: all deps build run test install clean

all: build

deps:
	@sh tools/deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_INSTALL_PREFIX=$(PREFIX)

build: $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: deps build
	@sh tools/run.sh $(BUILD)

test: deps build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

install: build
	DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD)
