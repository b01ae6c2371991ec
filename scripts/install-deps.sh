#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and package
# both the Linux tools and the Windows plugin. Idempotent: when everything is
# already installed it returns at once without touching apt.
set -euo pipefail

packages=(
  # Build system and native toolchain.
  cmake ninja-build g++ pkg-config
  # Libraries of the Linux build: INI reader, tests, benchmarks, tools.
  libsimpleini-dev libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev libtomlplusplus-dev nlohmann-json3-dev
  zlib1g-dev
  # run --screen: the stb headers (glyphs, PNG) and the font built into the tool.
  libstb-dev fonts-dejavu-core
  # Windows cross toolchain and a way to run its output here.
  g++-mingw-w64-x86-64 mingw-w64-tools binutils-mingw-w64-x86-64 wine wine64 libz-mingw-w64-dev
  # Fuzzing and sanitizers.
  clang libfuzzer-14-dev libclang-rt-14-dev
  # Release archives, helper scripts.
  zip unzip python3
  # The browser the pages are looked at in; the tuner page's engine is built
  # with emscripten (which brings node), its tests are driven by puppeteer-core.
  chromium emscripten
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  if [[ "$status" != "install ok installed" ]]; then
    missing+=("$package")
  fi
done

# The DevTools client of the browser tests, from npm, pinned by
# tests/browser/package-lock.json into tests/browser/node_modules.
install_browser_client() {
  local folder
  folder="$(dirname "${BASH_SOURCE[0]}")/../tests/browser"
  if [[ -d $folder/node_modules/puppeteer-core &&
        ! $folder/package-lock.json -nt $folder/node_modules/.package-lock.json ]]; then
    echo "install-deps: the browser tests' npm packages are installed"
  else
    echo "install-deps: npm ci in tests/browser"
    npm ci --prefix "$folder" --no-audit --no-fund
  fi
}

if [[ ${#missing[@]} -eq 0 ]]; then
  echo "install-deps: all ${#packages[@]} packages are installed"
  install_browser_client
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then
  if command -v sudo >/dev/null 2>&1; then
    sudo=(sudo)
  else
    echo "install-deps: run as root (or install sudo) to install: ${missing[*]}" >&2
    exit 1
  fi
fi

export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
install_browser_client
