#!/usr/bin/env bash
# Configures and builds both presets (Linux tools and tests, Windows plugin),
# then runs every test of the Linux configuration, the check of the Windows
# plugin's import and export tables included. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

cmake --preset linux
cmake --build --preset linux
cmake --preset windows
cmake --build --preset windows
ctest --preset linux
