// The sample database beside the program holds exactly what its readable sources say.

#include "paradox/reader.h"
#include "samplesource.h"
#include "support/tablefiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>

namespace fs = std::filesystem;

TEST(SampleDatabase, EveryTableReadsBackWithTheSourcesExactValues)
{
    const auto sources = tw::samples::sampleSources(TW_SAMPLES_SOURCE);
    ASSERT_GE(sources.size(), 5U);
    std::set<tw::paradox::FieldType> types;
    bool manyRows = false;
    for (const auto &source : sources) {
        SCOPED_TRACE(source.string());
        const tw::samples::SampleTable expected = tw::samples::loadSampleTable(source);
        EXPECT_LE(expected.name.size(), 8U);
        tw::paradox::TableReader table =
            tw::paradox::TableReader::open(fs::path(TW_SAMPLES_BUILT) / (expected.name + ".DB"));
        EXPECT_TRUE(table.warnings().empty());
        ASSERT_EQ(table.fields().size(), expected.fields.size());
        for (std::size_t i = 0; i < expected.fields.size(); ++i) {
            EXPECT_EQ(table.fields()[i].name, expected.fields[i].name);
            EXPECT_EQ(table.fields()[i].type, expected.fields[i].type);
            types.insert(expected.fields[i].type);
        }
        EXPECT_EQ(tw::test::readAll(table), expected.rows);
        manyRows = manyRows || expected.rows.size() >= 2000;
    }
    EXPECT_TRUE(manyRows) << "one table has a few thousand rows";
    EXPECT_GE(types.size(), 14U) << "the samples cover the field types users meet";
}

TEST(SampleDatabase, TheDumpToolPrintsASampleInTheReferenceConventions)
{
    const std::string command =
        std::string(TW_PARADOX_DUMP) + " " + TW_SAMPLES_BUILT + "/EMPLOYEE.DB";
    std::unique_ptr<FILE, int (*)(FILE *)> pipe(::popen(command.c_str(), "r"), ::pclose);
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe.get())) {
        output.append(buffer, got);
    }
    EXPECT_NE(output.find("\"EmpNo\",\"First\",\"Last\",\"Born\",\"Start\",\"Salary\"\n"),
              std::string::npos);
    EXPECT_NE(output.find("\n1,\"Ada\",\"Lovelace\",1815-12-10,08:30:00.000,4200.5\n"),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("\n6,\"Frances\",\"Allen\",1932-08-04,23:59:59.999,\n"),
              std::string::npos)
        << output;
}
