#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it (arguments are passed on,
# for example /BROWSE).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default
cmake --build --preset default --target stowkeep
exec build/default/src/stowkeep "$@"
