# Newcomer's entry points: `make run` and `make test` set everything up themselves.
BUILD ?= build
CMAKE_FLAGS ?=
# The version as the top CMakeLists.txt's project() gives it: the file names below carry it.
VERSION := $(shell bash scripts/project-version)

.PHONY: all deps configure build run test check-style sanitize screenshot install package install-package check-package windows windows-test windows-bench clean

all: build

deps:
	bash scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DPELIMOR_WITH_GUI=ON -DPELIMOR_WITH_TESTS=ON -DPELIMOR_WITH_BENCH=ON $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD)

# Only what the two programs need: no tests, benchmarks or the Windows build's tools.
run:
	bash scripts/install-deps run
	cmake -S . -B $(BUILD) -G Ninja -DPELIMOR_WITH_GUI=ON -DPELIMOR_WITH_TESTS=OFF -DPELIMOR_WITH_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(BUILD) --target pelimor pelimor-find
	$(BUILD)/app/pelimor

# The window under a virtual display, after a search over a small demo tree.
DEMO ?= /tmp/pelimor-demo
screenshot: build
	mkdir -p docs
	xvfb-run -a -s "-screen 0 1280x800x24" $(BUILD)/ui/pelimor-screenshot docs/screenshot.png "$(DEMO)"

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j2

# clang-format over every C++ file and clang-tidy's checks (.clang-tidy) over the program's sources.
check-style: build
	BUILD=$(BUILD) bash scripts/check-style

# The plain libraries' tests under ASan+UBSan and TSan, then the fuzz targets (build-asan, build-tsan, build-fuzz).
sanitize: deps
	bash scripts/sanitize-and-fuzz

# The program with its sound and user guide beside it, pelimor-find, and the desktop's menu entry.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix "$(PREFIX)"

# The Debian package, from a Release build of its own without tests or benchmarks.
PACKAGE_BUILD ?= build-package
PACKAGE_FILE = $(PACKAGE_BUILD)/pelimor_$(VERSION)-1_amd64.deb
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

# Installs the package with what it needs; sudo only when not root.
install-package: package
	$$([ "$$(id -u)" = 0 ] || echo sudo) apt-get install -y ./$(PACKAGE_FILE)

# The whole program for 64-bit Windows (mingw-w64, posix threads) with the Qt that
# scripts/build-qt-windows gives (PELIMOR_QT_WINDOWS, else its cache, else built once from Debian's
# source): Pelimor-VERSION-win64.zip holds the program folder (Pelimor.exe, pelimor-find.exe, the
# DLLs, Dupe.wav, Help.html), Pelimor-VERSION-win64-setup.exe installs it,
# pelimor-find-VERSION-win64.zip holds pelimor-find.exe alone (linked statically). windows-test runs
# the tests under Wine.
WINDOWS_BUILD ?= build-windows
WINDOWS_PROGRAM = Pelimor-$(VERSION)-win64
WINDOWS_ZIP = pelimor-find-$(VERSION)-win64
windows: deps
	@# A build folder made before the window was built for Windows knows no Qt: configured anew.
	@grep -qs "qt.toolchain.cmake" $(WINDOWS_BUILD)/CMakeCache.txt || rm -rf $(WINDOWS_BUILD)/CMakeCache.txt $(WINDOWS_BUILD)/CMakeFiles
	qt="$$(bash scripts/build-qt-windows | tail -n1)" && \
	cmake -S . -B $(WINDOWS_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE="$$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
	  -DQT_CHAINLOAD_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DPELIMOR_WITH_GUI=ON -DPELIMOR_WITH_BENCH=OFF $(CMAKE_FLAGS) && \
	cmake --build $(WINDOWS_BUILD) && \
	bash scripts/windows-program-folder $(WINDOWS_BUILD) "$$qt" $(WINDOWS_BUILD)/$(WINDOWS_PROGRAM)
	cd $(WINDOWS_BUILD) && rm -f $(WINDOWS_PROGRAM).zip && zip -qr $(WINDOWS_PROGRAM).zip $(WINDOWS_PROGRAM)
	makensis -V2 -DVERSION=$(VERSION) -DPROGRAM_FOLDER=$(CURDIR)/$(WINDOWS_BUILD)/$(WINDOWS_PROGRAM) \
	  -DOUTPUT=$(CURDIR)/$(WINDOWS_BUILD)/$(WINDOWS_PROGRAM)-setup.exe resources/windows/installer.nsi
	rm -rf $(WINDOWS_BUILD)/$(WINDOWS_ZIP) $(WINDOWS_BUILD)/$(WINDOWS_ZIP).zip
	mkdir -p $(WINDOWS_BUILD)/$(WINDOWS_ZIP)
	x86_64-w64-mingw32-strip -o $(WINDOWS_BUILD)/$(WINDOWS_ZIP)/pelimor-find.exe $(WINDOWS_BUILD)/cli/pelimor-find.exe
	cp README.md LICENSE $(WINDOWS_BUILD)/$(WINDOWS_ZIP)/
	cd $(WINDOWS_BUILD) && zip -qr $(WINDOWS_ZIP).zip $(WINDOWS_ZIP)
	@echo "windows: $(WINDOWS_BUILD)/$(WINDOWS_PROGRAM).zip, $(WINDOWS_BUILD)/$(WINDOWS_PROGRAM)-setup.exe, $(WINDOWS_BUILD)/$(WINDOWS_ZIP).zip"

windows-test: windows build
	cmake -B $(WINDOWS_BUILD) -DPELIMOR_LINUX_BUILD=$(CURDIR)/$(BUILD)  # for comparing with the Linux build
	# Wine makes windows only on an X display: a virtual one for the whole run. The Wine prefix is
	# made on it before tests start side by side (a Wine desktop started without a display keeps
	# one process's windows from another's). A test that fails is run once more: Wine's windows on a
	# virtual display, with other programs starting beside them, now and then miss a key or a focus.
	# Wine's Recycle Bin is the host's trash: the tests' files go to one of the build's own.
	xvfb-run -a -s "-screen 0 1280x800x24" sh -c 'export WINE_DISPLAY=$$DISPLAY && \
	  export XDG_DATA_HOME=$(CURDIR)/$(WINDOWS_BUILD)/host-data && \
	  scripts/wine-run cmd /c ver >/dev/null && \
	  ctest --test-dir $(WINDOWS_BUILD) --output-on-failure -j2 --repeat until-pass:2 && \
	  bash scripts/check-windows-installer $(WINDOWS_BUILD)/$(WINDOWS_PROGRAM)-setup.exe'

# The checksum kernels of the Windows build (zlib's CRC-32, XXH3 with SSE2) under Wine, measured by
# hand: Google Benchmark built for mingw-w64 from Debian's sources (scripts/build-benchmark-windows).
WINDOWS_BENCH_BUILD ?= build-windows-bench
windows-bench: deps
	prefix="$$(bash scripts/build-benchmark-windows | tail -n1)" && \
	cmake -S . -B $(WINDOWS_BENCH_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DPELIMOR_WITH_GUI=OFF -DPELIMOR_WITH_TESTS=OFF -DPELIMOR_WITH_BENCH=ON \
	  -Dbenchmark_DIR="$$prefix/lib/cmake/benchmark" $(CMAKE_FLAGS)
	cmake --build $(WINDOWS_BENCH_BUILD) --target bench_checksum
	scripts/wine-run $(WINDOWS_BENCH_BUILD)/bench/bench_checksum.exe $(BENCH_FLAGS)

clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz $(PACKAGE_BUILD) $(WINDOWS_BUILD) $(WINDOWS_BENCH_BUILD)
