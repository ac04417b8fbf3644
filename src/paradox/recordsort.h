#pragma once

#include "core/folder.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace tw::paradox {

// Puts records of one size in ascending order of their first `keyBytes` bytes, compared as
// unsigned bytes, in bounded memory: records gather in memory up to a bound, and each full
// gathering goes, sorted, to a hidden work file of the folder, as a run; the runs are merged
// as the records are handed on. Records with equal keys keep the order they came in.
//
//     RecordSorter sorter(folder, "ORDERS.db", recordBytes, keyBytes);
//     sorter.add(record);   // for every record
//     sorter.drain([&](std::span<const std::uint8_t> r) { write(r); });
class RecordSorter
{
public:
    RecordSorter(const Folder &folder,
                 std::string target,
                 std::size_t recordBytes,
                 std::size_t keyBytes,
                 std::size_t memoryBytes = kMemoryBytes);
    ~RecordSorter();

    RecordSorter(const RecordSorter &) = delete;
    RecordSorter &operator=(const RecordSorter &) = delete;

    void add(std::span<const std::uint8_t> record);
    // Hands every record to `take` in key order; what `take` throws ends the drain. Throws
    // paradox::Error when the work file cannot be written or read.
    void drain(const std::function<void(std::span<const std::uint8_t>)> &take);

    std::uint64_t count() const { return m_count; }

    // The runs on disk so far.
    std::size_t runs() const { return m_runs.size(); }

    // Small enough that sorting one gathering keeps a window waiting no more than a moment.
    static constexpr std::size_t kMemoryBytes = 4 * 1024 * 1024;

private:
    struct Run
    {
        std::uint64_t offset = 0;
        std::uint64_t records = 0;
    };

    // The gathered records' positions, sorted by key.
    std::vector<std::uint32_t> sortedGathering() const;
    void spill();
    void mergeRuns(const std::function<void(std::span<const std::uint8_t>)> &take);
    [[noreturn]] void fail(const std::string &what) const;

    const Folder &m_folder;
    std::string m_target;
    std::size_t m_recordBytes;
    std::size_t m_keyBytes;
    std::size_t m_capacity; // records gathered before a spill
    std::vector<std::uint8_t> m_gathered;
    std::uint64_t m_count = 0;
    std::string m_fileName; // the work file, once there is one
    UniqueFd m_file;
    std::uint64_t m_fileSize = 0;
    std::vector<Run> m_runs;
};

} // namespace tw::paradox
