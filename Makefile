# make run | make test | make bench | make demo | make screenshot | make screenshot-windows
# make fuzz [SEEDS=N FIRST_SEED=S] | make test-sanitize
# Each target first installs what is missing (Debian 12, apt-get).

BUILD    := build
WINBUILD := build-win
BENCHBUILD := build-bench
SANBUILD := build-sanitize
WERROR   ?= OFF
JOBS     ?= $(shell nproc)

# Debian packages the build, the tests and the benchmark need.
PACKAGES := cmake ninja-build g++ clang-format googletest libgtest-dev qt6-base-dev \
            fonts-noto-cjk g++-mingw-w64-x86-64-posix wine64 wine locales \
            xvfb xauth imagemagick rsync librsvg2-bin xdotool \
            fuse3 exfat-fuse exfatprogs ntfs-3g fusefat dosfstools

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

WINE_ENV := WINEPREFIX=$(abspath $(WINBUILD))/wineprefix WINEDEBUG=-all \
            WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=

.PHONY: all deps native windows install run test test-native test-windows test-sanitize fuzz bench demo \
        screenshot screenshot-windows clean

all: native

deps:
	@missing=$$(for p in $(PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update -q && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q $$missing; \
	fi
	@locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$$' || { \
	  $(SUDO) sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen && \
	  $(SUDO) locale-gen >/dev/null; }

native: deps
	cmake -S . -B $(BUILD) -G Ninja -DMIRTEL_WERROR=$(WERROR)
	cmake --build $(BUILD) -j $(JOBS)

windows: deps
	cmake -S . -B $(WINBUILD) -G Ninja -DMIRTEL_WERROR=$(WERROR) \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
	cmake --build $(WINBUILD) -j $(JOBS)

test-native: native
	QT_QPA_PLATFORM=offscreen ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# Wine's first start makes the prefix (slow): done here, before any test's
# time limit. The server is then let go, so that the tests' runner
# (cmake/wine_run.sh) starts one that outlives each test.
test-windows: windows
	$(WINE_ENV) wineboot -i </dev/null >/dev/null 2>&1 || true
	$(WINE_ENV) wineserver -w
	$(WINE_ENV) ctest --test-dir $(WINBUILD) --output-on-failure -j $(JOBS)

test: test-native test-windows

# The native tests once more, built with AddressSanitizer and
# UndefinedBehaviorSanitizer in a build folder of their own: any report ends
# the test that made it.
SAN_FLAGS := -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer
# GCC's instrumentation makes <regex> look uninitialised to it (a false alarm
# the plain build does not raise): kept out of WERROR's way here only.
SAN_CXXFLAGS := $(SAN_FLAGS) -Wno-maybe-uninitialized
SAN_ENV := ASAN_OPTIONS=detect_stack_use_after_return=1:strict_string_checks=1 \
           UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
test-sanitize: deps
	cmake -S . -B $(SANBUILD) -G Ninja -DMIRTEL_WERROR=$(WERROR) \
	  "-DCMAKE_CXX_FLAGS=$(SAN_CXXFLAGS)" "-DCMAKE_EXE_LINKER_FLAGS=$(SAN_FLAGS)"
	cmake --build $(SANBUILD) -j $(JOBS)
	QT_QPA_PLATFORM=offscreen $(SAN_ENV) \
	  ctest --test-dir $(SANBUILD) --output-on-failure -j $(JOBS)

# Many more generated trees than `make test` copies and syncs: SEEDS of them
# from FIRST_SEED on. A failure names its seed, to be run again alone with
# FIRST_SEED=<seed> SEEDS=1.
SEEDS ?= 50
FIRST_SEED ?= 1
fuzz: deps
	cmake -S . -B $(BUILD) -G Ninja -DMIRTEL_WERROR=$(WERROR)
	cmake --build $(BUILD) -j $(JOBS) --target realtrees_test
	MIRTEL_FUZZ_SEEDS=$(SEEDS) MIRTEL_FUZZ_FIRST_SEED=$(FIRST_SEED) \
	  ./$(BUILD)/tests/realtrees/realtrees_test --gtest_filter='RealTrees.*'

# PREFIX and DESTDIR as usual: make install PREFIX=/usr DESTDIR=/tmp/pkg
PREFIX ?= /usr/local
install: native
	DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

run: native
	./$(BUILD)/mirtel

# Release build of its own: the runner, the window job and the tree generator.
bench: deps
	cmake -S . -B $(BENCHBUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DMIRTEL_TESTS=OFF
	cmake --build $(BENCHBUILD) -j $(JOBS) --target mirtel-cli mirtel_window_job make_tree
	bench/run_bench.sh $(BENCHBUILD)

demo: native
	bench/demo.sh $(BUILD)

screenshot: native
	tests/screenshot.sh $(BUILD)

# The real mirtel.exe under Wine on a virtual display -> $(WINBUILD)/screenshots
screenshot-windows: deps
	cmake -S . -B $(WINBUILD) -G Ninja -DMIRTEL_WERROR=$(WERROR) \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
	cmake --build $(WINBUILD) -j $(JOBS) --target mirtel
	tests/screenshot_windows.sh $(WINBUILD)

clean:
	rm -rf $(BUILD) $(WINBUILD) $(BENCHBUILD) $(SANBUILD)
