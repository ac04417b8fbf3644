// Reading speed of the Paradox engine: writes a table of N records with 10 mixed fields (no
// blobs, so that pxlib can read it too), then reads and decodes every value, with our reader
// and, when built with it, with Debian's pxlib.
//
//   bench-paradox-read [RECORDS] [FOLDER]

#include "benchsupport.h"
#include "paradox/reader.h"
#include "paradox/writer.h"

#ifdef TW_HAVE_PXLIB
extern "C" {
#include <paradox.h>
}
#endif

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>

namespace fs = std::filesystem;
using namespace tw::paradox;
using tw::db::Value;

using tw::bench::field;
using tw::bench::peakRssKb;
using tw::bench::since;

namespace {} // namespace

int main(int argc, char **argv)
{
    const long records = argc > 1 ? std::atol(argv[1]) : 1'000'000;
    const fs::path folder =
        argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "tw-bench-read";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path path = folder / "BENCH.db";

    auto start = std::chrono::steady_clock::now();
    {
        WriteOptions options;
        options.expectedRecords = static_cast<std::uint64_t>(records);
        TableWriter writer(path,
                           {field("Id", FieldType::Long),
                            field("Name", FieldType::Alpha, 20),
                            field("Born", FieldType::Date),
                            field("Score", FieldType::Number),
                            field("Price", FieldType::Money),
                            field("Count", FieldType::Short),
                            field("Active", FieldType::Logical),
                            field("At", FieldType::Time),
                            field("Stamp", FieldType::Timestamp),
                            field("Note", FieldType::Alpha, 40)},
                           options);
        for (long i = 0; i < records; ++i) {
            writer.append(std::vector{
                Value::integer(i + 1),
                Value::text("Name " + std::to_string(i % 977)),
                Value::date(
                    {1950 + static_cast<int>(i % 70), static_cast<std::uint8_t>(1 + i % 12), 15}),
                Value::real(static_cast<double>(i) / 7.0),
                Value::real(static_cast<double>(i % 10000) / 100.0),
                Value::integer(i % 30000),
                Value::boolean(i % 3 == 0),
                Value::time({static_cast<std::uint32_t>(i % 86'400'000)}),
                Value::timestamp({{2020, 5, 17}, static_cast<std::uint32_t>(i % 86'400'000)}),
                i % 5 == 0 ? Value() : Value::text("Crème brûlée n° " + std::to_string(i))});
        }
        writer.commit();
    }
    const double writeSeconds = since(start);
    const long rssAfterWrite = peakRssKb();

    start = std::chrono::steady_clock::now();
    std::uint64_t decoded = 0;
    {
        TableReader table = TableReader::open(path);
        while (table.next()) {
            for (std::size_t i = 0; i < table.fields().size(); ++i) {
                decoded += table.value(i).isNull() ? 0 : 1;
            }
        }
    }
    const double readSeconds = since(start);

    std::printf(
        "records: %ld, table: %.1f MB\n", records, static_cast<double>(fs::file_size(path)) / 1e6);
    std::printf("write:  %.3f s, %.0f records/s\n",
                writeSeconds,
                static_cast<double>(records) / writeSeconds);
    std::printf("read:   %.3f s, %.0f records/s (ours, %llu values)\n",
                readSeconds,
                static_cast<double>(records) / readSeconds,
                static_cast<unsigned long long>(decoded));

#ifdef TW_HAVE_PXLIB
    start = std::chrono::steady_clock::now();
    {
        PX_boot();
        pxdoc_t *doc = PX_new();
        if (PX_open_file(doc, path.c_str()) < 0) {
            std::fprintf(stderr, "pxlib cannot open the table\n");
            return 1;
        }
        const int count = PX_get_num_records(doc);
        const int nfields = PX_get_num_fields(doc);
        pxfield_t *fields = PX_get_fields(doc);
        std::vector<char> data(static_cast<std::size_t>(doc->px_head->px_recordsize));
        std::uint64_t values = 0;
        for (int r = 0; r < count; ++r) {
            if (PX_get_record(doc, r, data.data()) == nullptr) {
                continue;
            }
            int offset = 0;
            for (int f = 0; f < nfields; ++f) {
                char *at = data.data() + offset;
                double d = 0;
                long l = 0;
                short s = 0;
                char b = 0;
                char *text = nullptr;
                switch (fields[f].px_ftype) {
                case pxfAlpha:
                    if (PX_get_data_alpha(doc, at, fields[f].px_flen, &text) > 0) {
                        doc->free(doc, text);
                        ++values;
                    }
                    break;
                case pxfDate:
                case pxfLong:
                case pxfTime:
                    values += PX_get_data_long(doc, at, fields[f].px_flen, &l) > 0;
                    break;
                case pxfNumber:
                case pxfCurrency:
                case pxfTimestamp:
                    values += PX_get_data_double(doc, at, fields[f].px_flen, &d) > 0;
                    break;
                case pxfShort:
                    values += PX_get_data_short(doc, at, fields[f].px_flen, &s) > 0;
                    break;
                case pxfLogical:
                    values += PX_get_data_byte(doc, at, fields[f].px_flen, &b) > 0;
                    break;
                default:
                    break;
                }
                offset += fields[f].px_flen;
            }
        }
        PX_close(doc);
        PX_delete(doc);
        PX_shutdown();
        const double pxSeconds = since(start);
        std::printf("pxlib:  %.3f s, %.0f records/s (%llu values)\n",
                    pxSeconds,
                    static_cast<double>(count) / pxSeconds,
                    static_cast<unsigned long long>(values));
    }
#endif
    std::printf("peak RSS: %ld kB after writing, %ld kB at the end\n", rssAfterWrite, peakRssKb());
    fs::remove_all(folder);
    return 0;
}
