# Folvane: the two set-up commands are `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= 2
CMAKE_ARGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
PREFIX     ?= /usr/local
DESTDIR    ?=
DEB_DIR    ?= $(BUILD)/deb
REAL_DOCUMENTS ?=

.PHONY: deps build run test test-asan bench format clean install deb

deps:
	@bash scripts/install-deps.sh

build:
	cmake -S . -B $(BUILD) $(CMAKE_ARGS)
	cmake --build $(BUILD) -j$(JOBS)

run: deps build
	./$(BUILD)/Folvane

test: deps build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

# The program in $(PREFIX)/bin, its office helper in $(PREFIX)/libexec/folvane,
# the desktop entry, icons, metainfo and README under $(PREFIX)/share.
install: build
	DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package, in $(DEB_DIR): sudo apt install ./$(DEB_DIR)/folvane_*.deb
deb: deps build
	bash scripts/build-deb.sh $(BUILD) $(DEB_DIR)

# Unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DFOLVANE_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j$(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j$(JOBS) -L unit

# bench_pages needs a folder of real Word documents: scripts/fetch-real-documents.sh DIR,
# then make bench REAL_DOCUMENTS=DIR/documents (without it, it says so and is skipped).
bench: deps build
	./$(BUILD)/bench/bench_batch
	./$(BUILD)/bench/bench_merge
	./$(BUILD)/bench/bench_pages $(REAL_DOCUMENTS)

format:
	clang-format -i $$(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
