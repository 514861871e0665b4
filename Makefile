# make run | make test | make test-soak [RUNS=N LOAD=1] | make bench | make demo
# make screenshot | make screenshot-windows | make fuzz [SEEDS=N FIRST_SEED=S]
# make test-sanitize | make test-tsan | make install | make package | make package-check
# Each target first installs what is missing (Debian 12, apt-get): `make run`
# only what the window needs, the others what they need besides.

BUILD    := build
WINBUILD := build-win
BENCHBUILD := build-bench
SANBUILD := build-sanitize
TSANBUILD := build-tsan
RUNBUILD := build-run
RELBUILD := build-release
WINRELBUILD := build-win-release
WERROR   ?= OFF
JOBS     ?= $(shell nproc)

# Debian packages: what the window needs to build and run; what an install
# adds (the man pages); what the tests, the benchmark and the packages add.
RUN_PACKAGES := cmake ninja-build g++ qt6-base-dev qt6-qpa-plugins fonts-noto-cjk \
                libtomlplusplus-dev
INSTALL_PACKAGES := $(RUN_PACKAGES) scdoc
PACKAGES := $(INSTALL_PACKAGES) clang-format googletest libgtest-dev \
            g++-mingw-w64-x86-64-posix wine64 wine locales \
            xvfb xauth imagemagick rsync librsvg2-bin xdotool \
            appstream dpkg-dev file bash-completion zsh fish stress-ng \
            fuse3 exfat-fuse exfatprogs ntfs-3g fusefat dosfstools \
            openssh-server openssh-client sshfs

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps deps-run deps-install native windows install run package package-check \
        test test-native test-windows test-soak test-sanitize test-tsan fuzz bench demo screenshot \
        screenshot-windows clean

all: native

# install-missing,<packages>[,<apt-get options>]: apt-get install what of
# them is not there yet.
define install-missing
	@missing=$$(for p in $(1); do dpkg -s $$p >/dev/null 2>&1 || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update -q && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q $(2) $$missing; \
	fi
endef

# The window's needs alone: what they only recommend is left out.
deps-run:
	$(call install-missing,$(RUN_PACKAGES),--no-install-recommends)

deps-install:
	$(call install-missing,$(INSTALL_PACKAGES),--no-install-recommends)

deps:
	$(call install-missing,$(PACKAGES))
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
# time limit, by the tests' own runner (cmake/wine_run.sh), which keeps one
# server for the whole run; the last test ends it.
test-windows: windows
	/bin/sh cmake/wine_run.sh $(abspath $(WINBUILD))/wineprefix wine wineserver --start
	ctest --test-dir $(WINBUILD) --output-on-failure -j $(JOBS)

# Both suites, then a check that they left the home of whoever ran them alone.
test: deps
	@tests/home_guard.sh begin $(BUILD)/home-guard.stamp
	$(MAKE) --no-print-directory test-native
	$(MAKE) --no-print-directory test-windows
	@tests/home_guard.sh end $(BUILD)/home-guard.stamp

# `make test` from RUNS fresh clones in a row, LOAD=1 with both cores busy
# beside it: the proof that the suite is green every time, not in CI.
RUNS ?= 10
test-soak: deps
	tools/soak_test.sh $(RUNS) $(if $(filter 1,$(LOAD)),load,quiet)

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

# The engine's and the job's tests and the real trees' differential built
# with ThreadSanitizer in a build folder of their own: the copies in flight
# run on workers beside the walk, and any data race ends the test that made it.
TSAN_FLAGS := -fsanitize=thread -fno-omit-frame-pointer
TSAN_TESTS := engine job realtrees
# A generated tree copied and synced with and without copies in flight takes
# minutes under ThreadSanitizer: one by default.
TSAN_SEEDS ?= 1
TSAN_HOME = $(abspath $(TSANBUILD))/test-home
# The tests' own home, settings, Trash and temporary folder, as under CTest.
TSAN_ENV = HOME=$(TSAN_HOME) XDG_CONFIG_HOME=$(TSAN_HOME)/.config \
           XDG_DATA_HOME=$(TSAN_HOME)/.local/share XDG_CACHE_HOME=$(TSAN_HOME)/.cache \
           XDG_STATE_HOME=$(TSAN_HOME)/.local/state TMPDIR=$(abspath $(TSANBUILD))/test-tmp \
           TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
test-tsan: deps
	cmake -S . -B $(TSANBUILD) -G Ninja -DMIRTEL_WERROR=$(WERROR) \
	  "-DCMAKE_CXX_FLAGS=$(TSAN_FLAGS)" "-DCMAKE_EXE_LINKER_FLAGS=$(TSAN_FLAGS)"
	cmake --build $(TSANBUILD) -j $(JOBS) --target $(TSAN_TESTS:%=%_tests)
	mkdir -p $(TSAN_HOME) $(TSANBUILD)/test-tmp
	$(TSAN_ENV) ./$(TSANBUILD)/tests/engine/engine_tests
	$(TSAN_ENV) ./$(TSANBUILD)/tests/job/job_tests
	$(TSAN_ENV) MIRTEL_FUZZ_SEEDS=$(TSAN_SEEDS) ./$(TSANBUILD)/tests/realtrees/realtrees_tests \
	  --gtest_filter='RealTrees.*'

# Many more generated trees than `make test` copies and syncs: SEEDS of them
# from FIRST_SEED on. A failure names its seed, to be run again alone with
# FIRST_SEED=<seed> SEEDS=1.
SEEDS ?= 50
FIRST_SEED ?= 1
fuzz: deps
	cmake -S . -B $(BUILD) -G Ninja -DMIRTEL_WERROR=$(WERROR)
	cmake --build $(BUILD) -j $(JOBS) --target realtrees_tests
	MIRTEL_FUZZ_SEEDS=$(SEEDS) MIRTEL_FUZZ_FIRST_SEED=$(FIRST_SEED) \
	  ./$(BUILD)/tests/realtrees/realtrees_tests --gtest_filter='RealTrees.*'

# The window alone, without the tests, in a build folder of its own.
run: deps-run
	cmake -S . -B $(RUNBUILD) -G Ninja -DMIRTEL_WERROR=$(WERROR) -DMIRTEL_TESTS=OFF
	cmake --build $(RUNBUILD) -j $(JOBS) --target mirtel
	./$(RUNBUILD)/mirtel

# A Release build without the tests, stripped; PREFIX and DESTDIR as usual:
# make install PREFIX=/usr DESTDIR=/tmp/pkg
PREFIX ?= /usr/local
install: deps-install
	cmake -S . -B $(RELBUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DMIRTEL_TESTS=OFF
	cmake --build $(RELBUILD) -j $(JOBS)
	DESTDIR=$(DESTDIR) cmake --install $(RELBUILD) --prefix $(PREFIX) --strip

# The .deb and the Windows .zip, from Release builds without the tests:
# $(RELBUILD)/packages/ and $(WINRELBUILD)/packages/.
package: deps
	cmake -S . -B $(RELBUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DMIRTEL_TESTS=OFF
	cmake --build $(RELBUILD) -j $(JOBS)
	cd $(RELBUILD) && cpack
	cmake -S . -B $(WINRELBUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DMIRTEL_TESTS=OFF \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
	cmake --build $(WINRELBUILD) -j $(JOBS)
	cd $(WINRELBUILD) && cpack
	@ls -l $(RELBUILD)/packages/*.deb $(WINRELBUILD)/packages/*.zip

# Both packages unpacked into a scratch folder and run there.
package-check: package
	tools/package_check.sh $(RELBUILD) $(WINRELBUILD)

# Release build of its own: the runner, the window job and the tree generator.
bench: deps
	cmake -S . -B $(BENCHBUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DMIRTEL_TESTS=OFF
	cmake --build $(BENCHBUILD) -j $(JOBS) --target mirtel-cli mirtel_window_job make_tree delay_line
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
	rm -rf $(BUILD) $(WINBUILD) $(BENCHBUILD) $(SANBUILD) $(TSANBUILD) $(RUNBUILD) $(RELBUILD) $(WINRELBUILD)
