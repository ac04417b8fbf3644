// Writes the seed inputs of the Paradox reader fuzz target: small tables of every field
// type made by our writer, one with blobs in each kind of .MB block, and an encrypted one.
//
//   make_paradox_seeds OUTPUT_FOLDER [INDEX_SEED_FOLDER]

#include "paradox/codec.h"
#include "paradox/crypt.h"
#include "paradox/writer.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tw::paradox;
using tw::db::Value;

namespace {

Field field(const std::string &name, FieldType type, int size = 0)
{
    Field f;
    f.name = name;
    f.type = type;
    f.size = static_cast<std::uint8_t>(size);
    return f;
}

std::vector<std::uint8_t> slurp(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void emit(const fs::path &out,
          const std::string &name,
          std::vector<std::uint8_t> db,
          const std::vector<std::uint8_t> &mb)
{
    if (!mb.empty()) {
        const std::string marker = "\n--MB--\n";
        db.insert(db.end(), marker.begin(), marker.end());
        db.insert(db.end(), mb.begin(), mb.end());
    }
    std::ofstream(out / name, std::ios::binary)
        .write(reinterpret_cast<const char *>(db.data()), static_cast<std::streamsize>(db.size()));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: make_paradox_seeds OUTPUT_FOLDER [INDEX_SEED_FOLDER]\n");
        return 2;
    }
    const fs::path out = argv[1];
    const fs::path work = fs::temp_directory_path() / "tw-seeds";
    fs::remove_all(work);
    fs::create_directories(work);
    fs::create_directories(out);

    {
        TableWriter writer(work / "FIXED.db",
                           {field("A", FieldType::Alpha, 8),
                            field("D", FieldType::Date),
                            field("S", FieldType::Short),
                            field("I", FieldType::Long),
                            field("M", FieldType::Money),
                            field("N", FieldType::Number),
                            field("L", FieldType::Logical),
                            field("T", FieldType::Time),
                            field("TS", FieldType::Timestamp),
                            field("P", FieldType::AutoIncrement),
                            field("B", FieldType::Bcd, 2),
                            field("Y", FieldType::Bytes, 3)});
        for (int i = 1; i <= 3; ++i) {
            writer.append(std::vector{Value::text("r" + std::to_string(i)),
                                      Value::date({1990 + i, 2, 3}),
                                      Value::integer(-i),
                                      Value::integer(i * 1000),
                                      Value::real(i * 1.25),
                                      Value::real(-i / 3.0),
                                      Value::boolean(i % 2 == 0),
                                      Value::time({static_cast<std::uint32_t>(i * 1000)}),
                                      Value::timestamp({{2000, 1, 1}, 5}),
                                      Value::integer(i),
                                      Value::decimal("-1.25"),
                                      Value::bytes({1, 2, static_cast<std::uint8_t>(i)})});
        }
        writer.append(std::vector<Value>(12));
        writer.commit();
        emit(out, "fixed", slurp(work / "FIXED.db"), {});
    }
    {
        TableWriter writer(work / "BLOBS.db",
                           {field("M", FieldType::Memo, 20),
                            field("B", FieldType::Blob, 10),
                            field("G", FieldType::Graphic, 10),
                            field("F", FieldType::FormattedMemo, 10),
                            field("O", FieldType::Ole, 12)});
        for (const std::size_t size : {5, 100, 3000}) {
            writer.append(std::vector{Value::text(std::string(size, 'm')),
                                      Value::bytes(tw::db::Bytes(size, 7)),
                                      Value::bytes(tw::db::Bytes(size, 8)),
                                      Value::bytes(tw::db::Bytes(size / 2 + 1, 9)),
                                      Value()});
        }
        writer.commit();
        emit(out, "blobs", slurp(work / "BLOBS.db"), slurp(work / "BLOBS.MB"));
    }
    {
        // The same small table, encrypted in place with a made-up key.
        const std::uint32_t key = 0x12345678;
        auto db = slurp(work / "FIXED.db");
        writeLe32(&db[0x5C], key);
        for (std::size_t at = 0x800; at + kCryptChunk <= db.size(); at += kCryptChunk) {
            const std::size_t inBlock = (at - 0x800) % 2048;
            const auto block = static_cast<std::uint8_t>((at - 0x800) / 2048 + 1);
            encryptChunk(std::span<std::uint8_t, kCryptChunk>(db.data() + at, kCryptChunk),
                         {0x78, 0x56, static_cast<std::uint8_t>(inBlock / kCryptChunk), block});
        }
        emit(out, "encrypted", db, {});
    }
    if (argc > 2) {
        // Index files are tables of the indexed fields, the record position and a block
        // number: a table of that shape with an index file's type, ascending and descending.
        const fs::path indexes = argv[2];
        fs::create_directories(indexes);
        TableWriter writer(work / "INDEX.db",
                           {field("NAME", FieldType::Alpha, 20),
                            field("CITY", FieldType::Alpha, 20),
                            field("Rec", FieldType::Long),
                            field("Off", FieldType::Short),
                            field("Blk", FieldType::Short)});
        writer.append(std::vector{Value::text("a"),
                                  Value::text("b"),
                                  Value::integer(1),
                                  Value::integer(0),
                                  Value::integer(1)});
        writer.commit();
        auto index = slurp(work / "INDEX.db");
        index[0x04] = 3;
        emit(indexes, "composite", index, {});
        index[0x04] = 5;
        emit(indexes, "maintained", index, {});
    }
    fs::remove_all(work);
    return 0;
}
