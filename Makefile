# Zentavo: `make run` starts the program, `make test` runs every test.
# Both install the Debian packages they need first (once).
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: all deps build run test clean package

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD)/bin

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD)

# A Debian package of the program, beside the build: build/zentavo_*.deb
package: build
	cd $(BUILD) && cpack -G DEB
