#!/usr/bin/env bash
# From a fresh Debian 12 machine (run as root) to a running simulation:
# installs the packages, builds the Linux tools, the tuner page
# (build/wasm/Barrelburst-tuner.html), the Windows plugin and tool and the
# release archives (dist/Barrelburst-<version>.zip for players,
# dist/Barrelburst-<version>-tools.zip for modders), then
# runs the plugin in the stand-in host for 600 frames of the default scenario
# with the release INI: its cracks, explosions and camera recoil.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/install-deps.sh

cmake --preset linux
cmake --build --preset linux
# The tuner page first: the Windows build packs it into the tools archive.
cmake --preset wasm
cmake --build --preset wasm
cmake --preset windows
cmake --build --preset windows

echo
echo "Windows plugin: build/windows/Barrelburst.asi (symbols: build/windows/Barrelburst.asi.debug)"
echo "Windows tuning tool: build/windows/tools/barrelburst-sim.exe"
echo "Tuner page (open it in any browser): build/wasm/Barrelburst-tuner.html"
echo "Release for players: $(ls dist/Barrelburst-*[0-9].zip)"
echo "Tools for modders: $(ls dist/Barrelburst-*-tools.zip)"
echo "The plugin with release/Barrelburst.ini in the default scenario of barrelburst-sim:"
echo
build/linux/tools/barrelburst-sim run --ini release/Barrelburst.ini --frames 600
