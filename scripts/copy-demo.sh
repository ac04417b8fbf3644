#!/usr/bin/env bash
# Runs tablewright-copy with the given options on the demo's sample Paradox database and
# emulated DB2 database (scripts/demo-setup.sh), for example:
#   bash scripts/copy-demo.sh --to-db2
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/demo-setup.sh >/dev/null
exec build/release/bin/tablewright-copy "$@"
