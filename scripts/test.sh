#!/usr/bin/env bash
# Configures and builds the presets (Linux tools and tests, the tuner page for
# the browser, Windows plugin) and the instrumented Linux build, runs the
# whole test suite under AddressSanitizer and UBSan, the fuzz targets for a
# bounded time (scripts/fuzz.sh), and then every test of the Linux
# configuration: the Windows plugin and tool under wine, the pages in
# Chromium, the check of the plugin's import and export tables. Exits
# non-zero on any failure.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

cmake --preset linux
cmake --build --preset linux
# The tuner page first: the Windows build packs it into the tools archive.
cmake --preset wasm
cmake --build --preset wasm
cmake --preset windows
cmake --build --preset windows

# The suite under the sanitizers; the tests of the Windows binary under wine
# are left to the plain run below (the sanitizers do not reach into wine).
cmake --preset sanitize
cmake --build --preset sanitize
ctest --preset sanitize

scripts/fuzz.sh

ctest --preset linux
