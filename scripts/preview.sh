#!/usr/bin/env bash
# Renders the built-in preview scene through the module: installs what is
# missing, builds the default preset and writes preview.png in the
# repository's top folder (or the path given as the first argument).
set -euo pipefail
cd "$(dirname "$0")/.."
output="${1:-preview.png}"
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target quillane
build/default/quillane render -o "$output"
echo "Preview written to $(cd "$(dirname "$output")" && pwd)/$(basename "$output")"
