#!/usr/bin/env bash
# From a fresh Debian 12 machine (run as root) to a running simulation:
# installs the packages, builds the Linux tools, the Windows plugin and its
# release archive (dist/Barrelburst-<version>.zip), then
# runs the plugin in the stand-in host for 600 frames of the default scenario
# with the release INI: its cracks, explosions and camera recoil.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/install-deps.sh

cmake --preset linux
cmake --build --preset linux
cmake --preset windows
cmake --build --preset windows

echo
echo "Windows plugin: build/windows/Barrelburst.asi"
echo "Release for players: $(ls dist/Barrelburst-*.zip)"
echo "The plugin with release/Barrelburst.ini in the default scenario of barrelburst-sim:"
echo
build/linux/tools/barrelburst-sim run --ini release/Barrelburst.ini --frames 600
