#include "paradox/recordsort.h"

#include "core/fileio.h"
#include "paradox/error.h"
#include "paradox/family.h"

#include <queue>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace tw::paradox {

namespace {

constexpr std::size_t kMostReadAhead = 64 * 1024;
constexpr std::size_t kWritePiece = 256 * 1024;

// One run being merged: the records read ahead of it and where it goes on.
struct RunCursor
{
    std::uint64_t next = 0; // file offset of the next records to read
    std::uint64_t left = 0; // records not yet read from the file
    std::vector<std::uint8_t> buffer;
    std::size_t at = 0; // bytes of `buffer` handed on
};

} // namespace

RecordSorter::RecordSorter(const Folder &folder,
                           std::string target,
                           std::size_t recordBytes,
                           std::size_t keyBytes,
                           std::size_t memoryBytes)
    : m_folder(folder)
    , m_target(std::move(target))
    , m_recordBytes(recordBytes)
    , m_keyBytes(std::min(keyBytes, recordBytes))
    , m_capacity(std::max<std::size_t>(1, memoryBytes / recordBytes))
{}

RecordSorter::~RecordSorter()
{
    m_file.reset();
    if (!m_fileName.empty()) {
        m_folder.remove(m_fileName);
    }
}

void RecordSorter::fail(const std::string &what) const
{
    throw Error("Cannot sort the records of " + m_target + " by their key: " + what);
}

void RecordSorter::add(std::span<const std::uint8_t> record)
{
    if (m_gathered.size() / m_recordBytes == m_capacity) {
        spill();
    }
    if (m_gathered.capacity() == 0) {
        // The bound at once: memory not yet filled costs nothing, and no growth overshoots it.
        m_gathered.reserve(m_capacity * m_recordBytes);
    }
    m_gathered.insert(m_gathered.end(), record.begin(), record.begin() + m_recordBytes);
    ++m_count;
}

std::vector<std::uint32_t> RecordSorter::sortedGathering() const
{
    std::vector<std::uint32_t> order(m_gathered.size() / m_recordBytes);
    for (std::uint32_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    const std::uint8_t *base = m_gathered.data();
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return std::memcmp(base + a * m_recordBytes, base + b * m_recordBytes, m_keyBytes) < 0;
    });
    return order;
}

void RecordSorter::spill()
{
    if (!m_file) {
        try {
            HiddenFile hidden = createHiddenBeside(m_folder, m_target);
            m_fileName = hidden.name;
            m_file = UniqueFd(hidden.fd);
        } catch (const std::system_error &e) {
            fail(e.what());
        }
    }
    const std::vector<std::uint32_t> order = sortedGathering();
    if (::lseek(m_file.get(), static_cast<off_t>(m_fileSize), SEEK_SET) < 0) {
        fail(std::string("writing its work file failed: ") + std::strerror(errno));
    }
    // Written a piece at a time, so a run costs no second copy of the gathering.
    std::string out;
    out.reserve(kWritePiece + m_recordBytes);
    for (std::size_t n = 0; n < order.size(); ++n) {
        out.append(reinterpret_cast<const char *>(m_gathered.data() + order[n] * m_recordBytes),
                   m_recordBytes);
        if (out.size() >= kWritePiece || n + 1 == order.size()) {
            if (!writeAll(m_file.get(), out)) {
                fail(std::string("writing its work file failed: ") + std::strerror(errno));
            }
            out.clear();
        }
    }
    m_runs.push_back({m_fileSize, order.size()});
    m_fileSize += order.size() * m_recordBytes;
    m_gathered.clear();
}

void RecordSorter::drain(const std::function<void(std::span<const std::uint8_t>)> &take)
{
    if (m_runs.empty()) {
        for (const std::uint32_t i : sortedGathering()) {
            take({m_gathered.data() + i * m_recordBytes, m_recordBytes});
        }
        m_gathered.clear();
        return;
    }
    if (!m_gathered.empty()) {
        spill();
    }
    std::vector<std::uint8_t>().swap(m_gathered);
    mergeRuns(take);
}

void RecordSorter::mergeRuns(const std::function<void(std::span<const std::uint8_t>)> &take)
{
    // The gathering's memory, shared out among the runs.
    const std::size_t perRun = std::max<std::size_t>(
        1, std::min(kMostReadAhead, m_capacity * m_recordBytes / m_runs.size()) / m_recordBytes);
    std::vector<RunCursor> cursors(m_runs.size());
    const auto refill = [&](RunCursor &cursor) {
        const std::uint64_t records = std::min<std::uint64_t>(cursor.left, perRun);
        cursor.buffer.resize(records * m_recordBytes);
        cursor.at = 0;
        std::size_t done = 0;
        while (done < cursor.buffer.size()) {
            const ssize_t got = ::pread(m_file.get(),
                                        cursor.buffer.data() + done,
                                        cursor.buffer.size() - done,
                                        static_cast<off_t>(cursor.next + done));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                fail(got == 0
                         ? std::string("its work file was cut short")
                         : std::string("reading its work file failed: ") + std::strerror(errno));
            }
            done += static_cast<std::size_t>(got);
        }
        cursor.next += cursor.buffer.size();
        cursor.left -= records;
    };
    const auto current = [&](std::size_t run) {
        return cursors[run].buffer.data() + cursors[run].at;
    };
    // The smallest key on top; an earlier run first among equal keys.
    const auto later = [&](std::size_t a, std::size_t b) {
        const int order = std::memcmp(current(a), current(b), m_keyBytes);
        return order > 0 || (order == 0 && a > b);
    };
    std::priority_queue<std::size_t, std::vector<std::size_t>, decltype(later)> heads(later);
    for (std::size_t run = 0; run < m_runs.size(); ++run) {
        cursors[run].next = m_runs[run].offset;
        cursors[run].left = m_runs[run].records;
        refill(cursors[run]);
        heads.push(run);
    }
    while (!heads.empty()) {
        const std::size_t run = heads.top();
        heads.pop();
        RunCursor &cursor = cursors[run];
        take({current(run), m_recordBytes});
        cursor.at += m_recordBytes;
        if (cursor.at == cursor.buffer.size()) {
            if (cursor.left == 0) {
                continue;
            }
            refill(cursor);
        }
        heads.push(run);
    }
}

} // namespace tw::paradox
