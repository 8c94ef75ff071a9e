#include "jet/file/journal.h"

#include <zlib.h>

#include <array>
#include <optional>
#include <vector>

#include "jet/error.h"
#include "jet/util/bytes.h"

namespace jet {
namespace {

constexpr std::array<uint8_t, 8> kMagic = {'T', 'a', 'b', 'J', 'r', 'n', 'l', 0};
constexpr uint32_t kVersion = 1;
constexpr size_t kHeaderSize = 32;
constexpr size_t kChecksumAt = 28;

uint32_t checksum(std::span<const uint8_t> a, std::span<const uint8_t> b = {}) {
    uLong c = crc32(0L, Z_NULL, 0);
    c = crc32(c, a.data(), static_cast<uInt>(a.size()));
    if (!b.empty()) c = crc32(c, b.data(), static_cast<uInt>(b.size()));
    return static_cast<uint32_t>(c);
}

uint64_t recordSize(uint32_t pageSize) {
    return 4ull + pageSize + 4;
}

struct JournalHeader {
    uint32_t pageSize;
    uint64_t originalLength;
    uint32_t records;
};

// The header, or nothing when it is absent, torn or foreign: such a journal
// was never sealed.
std::optional<JournalHeader> readHeader(const File& journal) {
    std::array<uint8_t, kHeaderSize> h{};
    if (journal.read(0, h) != h.size()) return std::nullopt;
    if (!std::equal(kMagic.begin(), kMagic.end(), h.begin())) return std::nullopt;
    Bytes b(h);
    if (readU32(b, kChecksumAt) != checksum(b.first(kChecksumAt))) return std::nullopt;
    if (readU32(b, 8) != kVersion) return std::nullopt;
    JournalHeader out{readU32(b, 12), readU64(b, 16), readU32(b, 24)};
    return out;
}

void removeQuietly(FileSystem& fs, const std::string& path) {
    try {
        fs.remove(path);
    } catch (const Error&) {
        // An unsealed journal is harmless; a later open tries again.
    }
}

}  // namespace

std::string journalPathFor(const std::string& databasePath) {
    return databasePath + ".tbj";
}

JournalWriter::JournalWriter(FileSystem& fs, const std::string& path, uint32_t pageSize,
                             uint64_t originalLength)
    : file_(fs.create(path)), pageSize_(pageSize), originalLength_(originalLength) {}

void JournalWriter::add(uint32_t pageNumber, std::span<const uint8_t> storedImage) {
    if (sealed_) throw Error(ErrorCode::Io, "the rollback journal is already sealed");
    if (storedImage.size() != pageSize_)
        throw Error(ErrorCode::Io, "a journal record must hold one page");
    std::vector<uint8_t> record(recordSize(pageSize_));
    writeU32(record, 0, pageNumber);
    std::copy(storedImage.begin(), storedImage.end(), record.begin() + 4);
    writeU32(record, 4 + pageSize_,
             checksum(std::span<const uint8_t>(record).first(4 + pageSize_)));
    file_->write(kHeaderSize + records_ * recordSize(pageSize_), record);
    ++records_;
}

void JournalWriter::seal() {
    if (sealed_) return;
    // Records first and durable, so a durable header always describes
    // durable records.
    file_->sync();
    std::array<uint8_t, kHeaderSize> h{};
    std::copy(kMagic.begin(), kMagic.end(), h.begin());
    writeU32(h, 8, kVersion);
    writeU32(h, 12, pageSize_);
    writeU32(h, 16, static_cast<uint32_t>(originalLength_));
    writeU32(h, 20, static_cast<uint32_t>(originalLength_ >> 32));
    writeU32(h, 24, records_);
    writeU32(h, kChecksumAt, checksum(std::span<const uint8_t>(h).first(kChecksumAt)));
    file_->write(0, h);
    file_->sync();
    sealed_ = true;
}

bool rollBackJournal(FileSystem& fs, const std::string& journalPath, File& database) {
    if (!fs.exists(journalPath)) return false;
    std::unique_ptr<File> journal = fs.open(journalPath, false);
    std::optional<JournalHeader> header = readHeader(*journal);
    if (!header) {
        journal.reset();
        removeQuietly(fs, journalPath);
        return false;
    }
    const std::string damaged = "the rollback journal '" + journalPath + "' is damaged";
    if (header->pageSize != 2048 && header->pageSize != 4096) {
        throwCorrupt(damaged + ": page size " + std::to_string(header->pageSize));
    }
    const uint64_t size = recordSize(header->pageSize);
    if (journal->size() < kHeaderSize + header->records * size)
        throwCorrupt(damaged + ": it is too short");

    // Check every record before writing any, so a damaged journal leaves the
    // database as it is.
    std::vector<uint8_t> record(size);
    auto readRecord = [&](uint32_t i) -> uint32_t {
        if (journal->read(kHeaderSize + i * size, record) != size)
            throwCorrupt(damaged + ": it is too short");
        Bytes r(record);
        const uint32_t page = readU32(r, 0);
        if (readU32(r, 4 + header->pageSize) != checksum(r.first(4 + header->pageSize))) {
            throwCorrupt(damaged + ": record " + std::to_string(i) + " fails its checksum");
        }
        if (static_cast<uint64_t>(page) * header->pageSize >= header->originalLength) {
            throwCorrupt(damaged + ": page " + std::to_string(page) +
                         " lies beyond the original file");
        }
        return page;
    };
    for (uint32_t i = 0; i < header->records; ++i) readRecord(i);
    for (uint32_t i = 0; i < header->records; ++i) {
        const uint32_t page = readRecord(i);
        database.write(static_cast<uint64_t>(page) * header->pageSize,
                       std::span<const uint8_t>(record).subspan(4, header->pageSize));
    }
    database.truncate(header->originalLength);
    database.sync();
    journal.reset();
    fs.remove(journalPath);
    return true;
}

bool recoverDatabase(FileSystem& fs, const std::string& databasePath) {
    const std::string journalPath = journalPathFor(databasePath);
    if (!fs.exists(journalPath)) return false;
    {
        std::unique_ptr<File> journal = fs.open(journalPath, false);
        if (!readHeader(*journal)) {
            journal.reset();
            removeQuietly(fs, journalPath);
            return false;
        }
    }
    std::unique_ptr<File> database = fs.open(databasePath, true);
    return rollBackJournal(fs, journalPath, *database);
}

}  // namespace jet
