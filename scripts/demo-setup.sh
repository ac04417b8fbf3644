#!/usr/bin/env bash
# Installs what is missing, builds everything and prepares the demo under build/release/demo:
# its own settings file (the sample Paradox folder and the emulated DB2 database), an
# odbcinst.ini that registers the DB2 emulation as "IBM DB2 ODBC DRIVER", and the emulated
# database seeded from demo/db2-seed.sql. Sourced by run.sh and copy-demo.sh, which then run
# the program with ODBCSYSINI and XDG_CONFIG_HOME pointing at the demo; the user's own
# settings are never touched.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root="$PWD"

bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"

demo="$root/build/release/demo"
rm -rf "$demo"
mkdir -p "$demo/config/Kelvarin" "$demo/state"
cat > "$demo/odbcinst.ini" <<INI
[IBM DB2 ODBC DRIVER]
Description = DB2 emulation for the demo
Driver = $root/build/release/lib/libdb2emu.so
INI
cat > "$demo/db2emu.conf" <<CONF
log = $demo/db2emu.log
host = localhost
port = 50000
database = SAMPLE $demo/sample.sqlite admin:secret
CONF
build/release/tools/bin/db2emu-seed "$demo/sample.sqlite" ADMIN demo/db2-seed.sql
( umask 077
  cat > "$demo/config/Kelvarin/Tablewright.ini" <<SETTINGS
[Tablewright]
ParadoxFolder=$root/build/release/bin/Samples
Server=localhost
Port=50000
User=admin
Password=secret
Database=SAMPLE
SETTINGS
)
export ODBCSYSINI="$demo" XDG_CONFIG_HOME="$demo/config" XDG_STATE_HOME="$demo/state"
