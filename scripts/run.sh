#!/usr/bin/env bash
# Installs what is missing, builds everything and starts the program on the sample Paradox
# database and an emulated DB2 database, as a demo. The demo keeps its own settings and
# driver registration under build/release/demo; the user's own settings are never touched.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"

demo="$root/build/release/demo"
rm -rf "$demo"
mkdir -p "$demo/config/Kelvarin"
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

export ODBCSYSINI="$demo" XDG_CONFIG_HOME="$demo/config"
exec build/release/bin/tablewright "$@"
