# The two commands of the README:
#   make demo   build everything and render the demo signal through the plug-in
#   make test   build everything and run every test
# Both install the Debian packages they need first.

PRESETS := linux-x64 linux-x86 windows-x64 windows-x86
DEMO_DIR := build/demo

.PHONY: all deps configure build test demo clean $(addprefix build-,$(PRESETS)) $(addprefix test-,$(PRESETS))

all: build

deps:
	@tools/scripts/install-deps.sh

configure: deps
	@for p in $(PRESETS); do cmake --preset $$p >/dev/null || exit 1; done

build: configure
	@for p in $(PRESETS); do echo "== build $$p"; cmake --build --preset $$p || exit 1; done

build-%: deps
	cmake --preset $* >/dev/null && cmake --build --preset $*

test-%: build-%
	tools/scripts/run-tests.sh $*

test: build
	@status=0; for p in $(PRESETS); do echo "== test $$p"; tools/scripts/run-tests.sh $$p || status=1; done; exit $$status

demo: build
	@mkdir -p $(DEMO_DIR)
	@build/linux-x64/bin/tovrel-demo-signal $(DEMO_DIR)/demo-in.wav 6
	@build/linux-x64/bin/tovrel-render --plugin dist/linux-x64/tovrel_vst.so $(DEMO_DIR)/demo-in.wav $(DEMO_DIR)/demo-out.wav
	@echo "listen: $(DEMO_DIR)/demo-in.wav (dry) and $(DEMO_DIR)/demo-out.wav (crossfed)"

clean:
	rm -rf build dist
