#!/usr/bin/env bash
# Configures and builds both presets (Linux tools and tests, Windows plugin)
# and the instrumented Linux build, runs the fuzz targets for a bounded time
# (scripts/fuzz.sh), the whole test suite under AddressSanitizer and UBSan,
# and then every test of the Linux configuration, the check of the Windows
# plugin's import and export tables included. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

cmake --preset linux
cmake --build --preset linux
cmake --preset windows
cmake --build --preset windows

# The suite under the sanitizers; the tests of the Windows binary under wine
# are left to the plain run below (the sanitizers do not reach into wine).
cmake --preset sanitize
cmake --build --preset sanitize
ctest --preset sanitize

scripts/fuzz.sh

ctest --preset linux
