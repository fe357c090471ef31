# Set-up and everyday commands. `make run` and `make test` install the missing
# Debian packages first (as root, non-interactively), then configure and build.

BUILD ?= build
JOBS  ?= 2
PACKAGES := build-essential cmake qt6-base-dev libgl-dev libgtest-dev libgmock-dev \
            xvfb xauth fonts-dejavu-core fonts-liberation desktop-file-utils help2man \
            libqt6sql6-sqlite libqt6sql6-psql postgresql postgresql-common \
            shared-mime-info libqt6svg6 dpkg-dev lintian appstream bash-completion zsh \
            clang-format
CMAKE_FLAGS ?=

.PHONY: all deps configure build test check-asan check-format format run bench install deb clean

all: build

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" != 0 ]; then \
	    echo "Missing Debian packages:$$missing (run 'make deps' as root)"; exit 1; \
	  fi; \
	  echo "Installing:$$missing"; \
	  export DEBIAN_FRONTEND=noninteractive; \
	  apt-get update -qq && apt-get install -y -qq --no-install-recommends $$missing; \
	fi

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j$(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

# AddressSanitizer and UndefinedBehaviorSanitizer build of everything, in its own
# folder, and the whole suite on it (GUI tests offscreen).
ASAN_BUILD ?= build-asan
SANITIZE := -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined
check-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS="$(SANITIZE)" -DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE)"
	cmake --build $(ASAN_BUILD) -j$(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tools/lsan.supp:print_suppressions=0 \
	  ctest --output-on-failure -j$(JOBS)

run: build
	@if [ -n "$$DISPLAY" ] || [ -n "$$WAYLAND_DISPLAY" ]; then \
	  $(BUILD)/src/app/qrt58prog --board sim; \
	else \
	  xvfb-run -a $(BUILD)/src/app/qrt58prog --board sim; \
	fi

# The registry figures include PostgreSQL in a throwaway cluster when
# pg_virtualenv (postgresql-common) is there.
bench: build
	@if command -v pg_virtualenv >/dev/null; then \
	  pg_virtualenv -t $(BUILD)/bench/qrt58bench; \
	else \
	  $(BUILD)/bench/qrt58bench; \
	fi

# Installs both programs (stripped of their debug information), the menu
# entry, the table-file type and the icon under PREFIX (DESTDIR is honoured
# for packaging: make install PREFIX=/usr DESTDIR=/tmp/pkg).
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX) --strip

# The Debian package of both programs, built without the tests in its own
# folder: build-deb/qrt58_VERSION_ARCH.deb (install it with apt install ./FILE).
DEB_BUILD ?= build-deb
deb: deps
	cmake -S . -B $(DEB_BUILD) -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(DEB_BUILD) -j$(JOBS)
	cd $(DEB_BUILD) && cpack -G DEB
	@ls $(DEB_BUILD)/qrt58_*.deb

# The sources in the project's one style (.clang-format): `make format` applies
# it, `make check-format` (run by CI) fails on any line that differs from it.
FORMAT_FILES = $(shell git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h')
format: deps
	@echo "clang-format -i: $(words $(FORMAT_FILES)) files"
	@clang-format -i $(FORMAT_FILES)
check-format: deps
	@echo "clang-format --dry-run -Werror: $(words $(FORMAT_FILES)) files"
	@clang-format --dry-run -Werror $(FORMAT_FILES)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(DEB_BUILD)
