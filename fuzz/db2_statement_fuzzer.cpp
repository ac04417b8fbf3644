// Fuzz target for the DB2 emulation's statement parser and engine: the input is one
// statement, parsed and then run on an in-memory database holding one table.

#include "engine.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string statement(reinterpret_cast<const char *>(data), size);
    try {
        db2emu::parseOnly(statement);
    } catch (const db2emu::Db2Exception &) {
    }
    try {
        db2emu::Database database(":memory:", "ADMIN");
        database.execute("CREATE TABLE T(I INTEGER, D DATE, V VARCHAR(10), N DECIMAL(5,2), B BLOB, "
                         "TS TIMESTAMP)");
        if (auto result = database.execute(statement)) {
            std::vector<db2emu::Cell> row;
            for (int rows = 0; rows < 1000 && result->next(row); ++rows) {
            }
        }
    } catch (const db2emu::Db2Exception &) {
    }
    return 0;
}
