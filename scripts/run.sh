#!/usr/bin/env bash
# Installs what is missing, builds everything and starts the program on the sample Paradox
# database and an emulated DB2 database, as a demo (scripts/demo-setup.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/demo-setup.sh
exec build/release/bin/tablewright "$@"
