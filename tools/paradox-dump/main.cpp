// paradox-dump: prints a Paradox table's header, fields and records (CSV).
//
//   paradox-dump [--full] [--encoding NAME] TABLE.db

#include "dumpformat.h"
#include "paradox/error.h"
#include "paradox/reader.h"

#include <cstring>
#include <iostream>

int main(int argc, char **argv)
{
    tw::paradox::ReadOptions options;
    tw::paradox::dump::CellOptions cells;
    const char *path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--full") == 0) {
            cells.fullBlobs = true;
        } else if (std::strcmp(argv[i], "--encoding") == 0 && i + 1 < argc) {
            options.encoding = argv[++i];
        } else if (path == nullptr && argv[i][0] != '-') {
            path = argv[i];
        } else {
            path = nullptr;
            break;
        }
    }
    if (path == nullptr) {
        std::cerr << "usage: paradox-dump [--full] [--encoding NAME] TABLE.db\n";
        return 2;
    }
    try {
        tw::paradox::TableReader table = tw::paradox::TableReader::open(path, options);
        tw::paradox::dump::printPreamble(std::cout, path, table);
        int failures = 0;
        while (table.next()) {
            for (std::size_t i = 0; i < table.fields().size(); ++i) {
                std::cout << (i == 0 ? "" : ",");
                try {
                    std::cout << tw::paradox::dump::cell(table.fields()[i], table.value(i), cells);
                } catch (const tw::paradox::Error &e) {
                    std::cout << "ERROR";
                    std::cerr << e.what() << '\n';
                    ++failures;
                }
            }
            std::cout << '\n';
        }
        return failures == 0 ? 0 : 1;
    } catch (const std::exception &e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
}
