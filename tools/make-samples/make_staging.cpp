// make-staging: creates the empty staging database the copy to Paradox needs.
//
//   make-staging FILE

#include <sqlite3.h>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-staging FILE\n");
        return 2;
    }
    std::remove(argv[1]);
    sqlite3 *db = nullptr;
    const bool made =
        sqlite3_open(argv[1], &db) == SQLITE_OK &&
        sqlite3_exec(db, "PRAGMA user_version = 1", nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!made) {
        std::fprintf(
            stderr, "make-staging: %s\n", db != nullptr ? sqlite3_errmsg(db) : "out of memory");
    }
    sqlite3_close(db);
    return made ? 0 : 1;
}
