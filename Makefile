# The two commands of the README:
#   make demo   build the native x86-64 and 64-bit Windows plug-ins and the demo's programs, render
#               the demo signal through the plug-in and picture the editor (under Wine and X11)
#   make test   build everything and run every test
# Both install the Debian packages they need first (make demo fewer of them).

PRESETS := linux-x64 linux-x86 windows-x64 windows-x86
# make demo builds, of the native x86-64 and the 64-bit Windows builds, only the programs it runs.
DEMO_TARGETS_linux-x64 := tovrel_vst tovrel-render tovrel-demo-signal tovrel-response tovrel-x11-host
DEMO_TARGETS_windows-x64 := tovrel_vst tovrel-editor-snapshot
DEMO_DIR := build/demo

.PHONY: all deps deps-demo configure build test test-robustness test-fresh fuzz bench demo clean $(addprefix build-,$(PRESETS)) $(addprefix test-,$(PRESETS))

# Debian's interpreter, which sees Debian's matplotlib (another python3 first on PATH may not).
PYTHON ?= /usr/bin/python3

all: build

deps:
	@tools/scripts/install-deps.sh test

deps-demo:
	@tools/scripts/install-deps.sh demo

configure: deps
	@for p in $(PRESETS); do cmake --preset $$p >/dev/null || exit 1; done

build: configure
	@for p in $(PRESETS); do echo "== build $$p"; cmake --build --preset $$p || exit 1; done

# Static pattern rules: make looks for no implicit rule for a phony target, so a plain
# build-% rule would never run for them.
$(addprefix build-,$(PRESETS)): build-%: deps
	cmake --preset $* >/dev/null && cmake --build --preset $*

$(addprefix test-,$(PRESETS)): test-%: build-%
	tools/scripts/run-tests.sh $*

test: build
	@status=0; for p in $(PRESETS); do echo "== test $$p"; tools/scripts/run-tests.sh $$p || status=1; done; \
	$(MAKE) --no-print-directory test-robustness || status=1; exit $$status

demo: deps-demo
	@echo "== build linux-x64 (demo programs)"
	@cmake --preset linux-x64 >/dev/null && cmake --build --preset linux-x64 --target $(DEMO_TARGETS_linux-x64)
	@echo "== build windows-x64 (demo programs)"
	@cmake --preset windows-x64 >/dev/null && cmake --build --preset windows-x64 --target $(DEMO_TARGETS_windows-x64)
	@mkdir -p $(DEMO_DIR)
	@build/linux-x64/bin/tovrel-demo-signal $(DEMO_DIR)/demo-in.wav 6
	@build/linux-x64/bin/tovrel-render --plugin dist/linux-x64/tovrel_vst.so $(DEMO_DIR)/demo-in.wav $(DEMO_DIR)/demo-out.wav
	@tools/scripts/editor-snapshot.sh $(DEMO_DIR)/editor.png 96 183x225
	@tools/scripts/editor-snapshot.sh $(DEMO_DIR)/editor-200.png 192 366x450
	@tools/scripts/editor-snapshot-x11.sh $(DEMO_DIR)/editor-linux.png 96 183x225
	@tools/scripts/editor-snapshot-x11.sh $(DEMO_DIR)/editor-linux-200.png 192 366x450
	@build/linux-x64/bin/tovrel-response dist/linux-x64/tovrel_vst.so $(DEMO_DIR)/response.csv
	@$(PYTHON) tools/response/plot_response.py $(DEMO_DIR)/response.csv $(DEMO_DIR)/response.png
	@echo "listen: $(DEMO_DIR)/demo-in.wav (dry) and $(DEMO_DIR)/demo-out.wav (crossfed)"
	@echo "look:   $(DEMO_DIR)/editor.png (the editor as a host shows it)"
	@echo "        $(DEMO_DIR)/editor-200.png (the same on a screen at 200 %, 192 DPI)"
	@echo "        $(DEMO_DIR)/editor-linux.png and editor-linux-200.png (the Linux library's editor under X11)"
	@echo "        $(DEMO_DIR)/response.png (the filter's curves for each preset, measured through the plug-in)"

clean:
	rm -rf build dist

# make test on a fresh Debian 12 root (debootstrap, cached under ~/.cache/tovrel/fresh) with a
# clean clone of the current commit: proves that install-deps.sh names everything. Needs root.
# FRESH_TARGETS=demo times make demo there instead.
FRESH_TARGETS ?= test
test-fresh:
	@tools/scripts/install-deps.sh fresh
	tools/scripts/test-fresh.sh $(FRESH_TARGETS)

# The editor under seeded random input for longer than make test runs it (under Wine).
EDITOR_FUZZ_EVENTS ?= 20000
EDITOR_FUZZ_SEED ?= 1
.PHONY: fuzz-editor
fuzz-editor: build-windows-x64
	tools/scripts/wine-session start
	cd build/windows-x64/bin && ../../../tools/scripts/wine-run ./tovrel_editor_fuzz.exe \
	  --seed $(EDITOR_FUZZ_SEED) --events $(EDITOR_FUZZ_EVENTS); \
	  status=$$?; cd ../../.. && tools/scripts/wine-session stop; exit $$status

# The 32-bit Windows tests, run under 32-bit Wine in an emulated Debian i386 machine
# (tools/x86vm; the machine image is built once into a cache folder outside the repository).
.PHONY: test-x86
test-x86: build-windows-x86 build-windows-x64
	tools/x86vm/run-tests.sh

# Robustness, part of make test: a short run of the record fuzzer from its committed seeds (clang,
# libFuzzer, AddressSanitizer, UBSan), then the whole native test suite built with
# AddressSanitizer and UndefinedBehaviorSanitizer. make fuzz runs the fuzzer longer.
FUZZ_SMOKE_SECONDS ?= 45
FUZZ_SECONDS ?= 900
FUZZ_SEED ?= 0

test-robustness: deps
	@status=0; \
	echo "== fuzz linux-x64-fuzz ($(FUZZ_SMOKE_SECONDS) s)"; \
	{ cmake --preset linux-x64-fuzz >/dev/null && cmake --build --preset linux-x64-fuzz && \
	  tests/fuzz/run-fuzzer.sh $(FUZZ_SMOKE_SECONDS) 1; } || status=1; \
	echo "== test linux-x64-asan"; \
	{ cmake --preset linux-x64-asan >/dev/null && cmake --build --preset linux-x64-asan && \
	  tools/scripts/run-tests.sh linux-x64-asan; } || status=1; \
	exit $$status

fuzz: deps
	cmake --preset linux-x64-fuzz >/dev/null && cmake --build --preset linux-x64-fuzz
	tests/fuzz/run-fuzzer.sh $(FUZZ_SECONDS) $(FUZZ_SEED)

# Figures, not tests: frame cost against the bare chain, callgrind instruction counts, and
# instances in one process. Quietest on an otherwise idle machine.
bench: build-linux-x64
	build/linux-x64/bin/tovrel-bench-frames
	TOVREL_BLOCK_PATH=sse2 build/linux-x64/bin/tovrel-bench-frames
	bench/callgrind-frames.sh
	TOVREL_BLOCK_PATH=sse2 bench/callgrind-frames.sh
	build/linux-x64/bin/tovrel-bench-instances
	build/linux-x64/bin/tovrel-bench-lv2

# The editor's painting at 100 % and 200 % under Wine: full repaint and idle tick, and their ratio.
EDITOR_BENCH_ROUNDS ?= 3
.PHONY: bench-editor
bench-editor: deps-demo
	@cmake --preset windows-x64 >/dev/null && cmake --build --preset windows-x64 --target tovrel-bench-editor
	bench/editor-paint.sh $(EDITOR_BENCH_ROUNDS)

# The release archives under dist/release (tools/scripts/make-release.py): the four plug-ins,
# built without their tests, the user's guide, the licence and the changelog.
.PHONY: release check-reproducible install
RELEASE_PRESETS := linux-x64 linux-x86 windows-x64 windows-x86
# The Linux builds add the LV2 bundle.
release: deps
	@for p in $(RELEASE_PRESETS); do echo "== build $$p (plug-in)"; \
	  { cmake --preset $$p >/dev/null && cmake --build --preset $$p --target tovrel_vst \
	    $$( case $$p in linux-*) echo tovrel_lv2_bundle;; esac ); } || exit 1; done
	@$(PYTHON) tools/scripts/make-release.py

# Builds the committed HEAD twice, in two fresh folders, and compares the plug-ins and archives
# byte for byte. Not part of make test (it builds the four plug-ins twice).
check-reproducible: deps
	tools/scripts/check-reproducible.sh

# The 64-bit Linux plug-in into the user's VST folder: ~/.vst, or $(PREFIX)/lib/vst with
# PREFIX=..., or exactly VST_DIR=...; and the LV2 bundle tovrel.lv2 into ~/.lv2, or
# $(PREFIX)/lib/lv2, or exactly LV2_DIR=...
install: deps
	@cmake --preset linux-x64 >/dev/null && cmake --build --preset linux-x64 --target tovrel_vst tovrel_lv2_bundle
	@VST_DIR="$(VST_DIR)" LV2_DIR="$(LV2_DIR)" cmake --install build/linux-x64 $(if $(PREFIX),--prefix "$(PREFIX)")

# The Linux editor under seeded random input through XTest, in an X server of its own, for longer
# than make test runs it.
.PHONY: fuzz-editor-x11
fuzz-editor-x11: build-linux-x64
	tools/scripts/xvfb-run --dpi 96 -- build/linux-x64/bin/tovrel_x11_editor_fuzz \
	  --seed $(EDITOR_FUZZ_SEED) --events $(EDITOR_FUZZ_EVENTS)
