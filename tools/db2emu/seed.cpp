// db2emu-seed: runs DB2 statements from a file on an emulated database, directly on its
// SQLite file. For the demo; the program itself always goes through ODBC.
//
//   db2emu-seed DATABASE_FILE SCHEMA STATEMENTS.sql    (statements end with ";" at a line end)

#include "engine.h"

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: db2emu-seed DATABASE_FILE SCHEMA STATEMENTS.sql\n");
        return 2;
    }
    try {
        db2emu::Database database(argv[1], argv[2]);
        std::ifstream in(argv[3]);
        std::string statement;
        std::string line;
        while (std::getline(in, line)) {
            if (line.rfind("--", 0) == 0) {
                continue;
            }
            statement += line + "\n";
            if (!line.empty() && line.back() == ';') {
                database.execute(statement);
                statement.clear();
            }
        }
        return 0;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "db2emu-seed: %s\n", e.what());
        return 1;
    }
}
