// make-staging: creates the empty staging database the copy to Paradox needs, stamped with
// the program's version (SQLite's user_version) so that a per-user copy of an older one is
// replaced.
//
//   make-staging FILE STAMP

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make-staging FILE STAMP\n");
        return 2;
    }
    std::remove(argv[1]);
    const std::string stamp = "PRAGMA user_version = " + std::to_string(std::atol(argv[2]));
    sqlite3 *db = nullptr;
    const bool made = sqlite3_open(argv[1], &db) == SQLITE_OK &&
                      sqlite3_exec(db, stamp.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!made) {
        std::fprintf(
            stderr, "make-staging: %s\n", db != nullptr ? sqlite3_errmsg(db) : "out of memory");
    }
    sqlite3_close(db);
    return made ? 0 : 1;
}
