# The two commands a new user needs: `make demo` and `make test`.
# Both first install the Debian packages that are missing.

JOBS ?= $(shell nproc)
NATIVE := build/native
WIN := build/win
RELEASE := build/release

.PHONY: all deps native win test test-native test-win fuzz-smoke demo bench fuzz guide-pictures clean

all: native win

deps:
	@scripts/install-deps.sh

native: deps
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=Debug >/dev/null
	cmake --build $(NATIVE) -j $(JOBS)

win: deps
	cmake -S . -B $(WIN) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
	cmake --build $(WIN) -j $(JOBS)

test-native: native
	ctest --test-dir $(NATIVE) -j $(JOBS) --output-on-failure

test-win: win
	ctest --test-dir $(WIN) -j $(JOBS) --output-on-failure

# A short run of every fuzzer; `make fuzz` runs them for longer.
FUZZ_SECONDS ?= 600
fuzz-smoke: deps
	scripts/fuzz.sh 10

fuzz: deps
	scripts/fuzz.sh $(FUZZ_SECONDS)

# Both trees are built and tested; the first failure stops the run with a non-zero exit.
test: test-native test-win fuzz-smoke

demo: deps
	@scripts/demo.sh

# Install and index speed against cp, at 10,000 to 1,000,000 item rows, in a Release
# tree without sanitizers; the last line sums the figures up. The tables it writes are
# checked with pdxtool check and, where ../shared is there, pxinspect.py family.
PXINSPECT := $(wildcard ../shared/tools/pxinspect.py)
bench: deps
	cmake -S . -B $(RELEASE) -DCMAKE_BUILD_TYPE=Release -DHINMEI_SANITIZE=OFF \
	  -DHINMEI_LAYERS="engine;install;tools" >/dev/null
	cmake --build $(RELEASE) -j $(JOBS) --target hinmei_bench pdxtool
	$(RELEASE)/tools/bench/hinmei_bench --work $(RELEASE)/bench-work --pdxtool $(RELEASE)/tools/pdxtool/pdxtool \
	  $(if $(PXINSPECT),--pxinspect $(PXINSPECT))

# The pictures of README.ja.md, taken anew by the Wine test that plays the demo install.
guide-pictures: win
	ctest --test-dir $(WIN) -R '^(wine\.session\.(start|stop)|app\.install_tour)$$' --output-on-failure
	mkdir -p docs/images
	cp $(WIN)/tour/pictures/*.png docs/images/

clean:
	rm -rf build
