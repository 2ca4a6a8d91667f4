# Newcomer's entry points: `make run` and `make test` set everything up themselves.
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test sanitize screenshot install package check-package clean

all: build

deps:
	bash scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DPELIMOR_WITH_GUI=ON $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD)

run: build
	$(BUILD)/app/pelimor

# The window under a virtual display, after a search over a small demo tree.
DEMO ?= /tmp/pelimor-demo
screenshot: build
	mkdir -p docs
	xvfb-run -a -s "-screen 0 1280x800x24" $(BUILD)/ui/pelimor-screenshot docs/screenshot.png "$(DEMO)"

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j2

# The plain libraries' tests under ASan+UBSan and TSan, then the fuzz targets (build-asan, build-tsan, build-fuzz).
sanitize: deps
	bash scripts/sanitize-and-fuzz

# The program with its sound and user guide beside it, pelimor-find, and the desktop's menu entry.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix "$(PREFIX)"

# The Debian package, from a Release build of its own without tests or benchmarks.
PACKAGE_BUILD ?= build-package
PACKAGE_FILE = $(PACKAGE_BUILD)/pelimor_3.0-1_amd64.deb
package: deps
	cmake -S . -B $(PACKAGE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
	  -DPELIMOR_WITH_GUI=ON -DPELIMOR_WITH_TESTS=OFF -DPELIMOR_WITH_BENCH=OFF -DPELIMOR_WITH_FUZZ=OFF \
	  -DPELIMOR_SANITIZE=
	cmake --build $(PACKAGE_BUILD)
	cd $(PACKAGE_BUILD) && cpack
	@echo "package: $(PACKAGE_FILE)"

# Installs the package on this machine with apt-get and checks what it installed (scripts/check-package).
check-package: package
	bash scripts/check-package $(PACKAGE_FILE)

clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz $(PACKAGE_BUILD)
