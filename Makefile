# Zentavo: `make run` starts the program, `make test` runs every test,
# `make package` builds the Debian package. Each first installs the Debian
# packages listed in scripts/debian-packages that are missing (as root or
# through sudo), configures the build in $(BUILD) once and builds what changed.
BUILD ?= build
JOBS  ?= $(shell nproc)

SHELL := /bin/bash
.SHELLFLAGS := -o pipefail -c

# make's own folder messages and the lines every up-to-date target repeats
# are left out; compiler errors and warnings go to standard error untouched.
QUIET_BUILD = { grep --line-buffered -v -E '^\[ *[0-9]+%\] (Built target|Automatic MOC and UIC for target)|^Consolidate compiler generated dependencies' || true; }

.PHONY: all deps build run test clean package

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/CMakeCache.txt:
	@echo "Configuring the build in $(BUILD)"
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null

build: deps $(BUILD)/CMakeCache.txt
	@cmake --build $(BUILD) -j $(JOBS) -- --no-print-directory | $(QUIET_BUILD)

run: build
	@scripts/run.sh $(BUILD)/bin

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD)

# A Debian package of the program, beside the build: build/zentavo_*.deb
package: build
	@cd $(BUILD) && { cpack -G DEB > cpack.log || { cat cpack.log; exit 1; }; } && grep '^CPack: - package: ' cpack.log
