// make-samples: writes the sample Paradox tables from their CSV sources.
//
//   make-samples SOURCE_FOLDER OUTPUT_FOLDER

#include "paradox/family.h"
#include "paradox/writer.h"
#include "samplesource.h"

#include <cstdio>
#include <exception>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make-samples SOURCE_FOLDER OUTPUT_FOLDER\n");
        return 2;
    }
    try {
        const std::filesystem::path out = argv[2];
        std::filesystem::create_directories(out);
        for (const auto &source : tw::samples::sampleSources(argv[1])) {
            const tw::samples::SampleTable table = tw::samples::loadSampleTable(source);
            const std::filesystem::path target = out / (table.name + ".DB");
            // The build owns this folder: an older build's table makes way for the new one.
            for (const auto &file : tw::paradox::tableFamily(target)) {
                std::filesystem::remove(file);
            }
            tw::paradox::TableWriter writer(target, table.fields);
            for (const auto &row : table.rows) {
                writer.append(row);
            }
            writer.commit();
        }
        return 0;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "make-samples: %s\n", e.what());
        return 1;
    }
}
