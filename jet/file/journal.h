// The rollback journal: before a transaction changes a page of a database,
// the page's original image (as stored, encrypted when the file is) goes into
// a journal file beside the database. Layout and the order of writes are in
// jet/FORMAT_journal.md. A journal is "sealed" once its header is written and
// synced; only then may the database itself be written, so a journal with an
// invalid header always means the database was never touched.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "jet/file/file.h"

namespace jet {

// "<database path>.tbj".
std::string journalPathFor(const std::string& databasePath);

// Writes one journal. The file is created (emptied) at construction; records
// may be added until seal().
class JournalWriter {
public:
    JournalWriter(FileSystem& fs, const std::string& path, uint32_t pageSize,
                  uint64_t originalLength);

    // Appends the stored image of page `pageNumber` (exactly one page).
    void add(uint32_t pageNumber, std::span<const uint8_t> storedImage);
    // Syncs the records, writes the header, syncs again.
    void seal();
    bool sealed() const { return sealed_; }
    uint32_t records() const { return records_; }

private:
    std::unique_ptr<File> file_;
    uint32_t pageSize_;
    uint64_t originalLength_;
    uint32_t records_ = 0;
    bool sealed_ = false;
};

// Applies the journal at `journalPath` to `database`: writes back every
// original page, cuts the file to its original length, syncs it, then
// removes the journal. Returns true when it rolled back; false when there is
// no journal or it was never sealed (it is then removed, best effort).
// Throws jet::Error(Corrupt) for a sealed journal whose records are damaged:
// the database may be half-written and the journal stays for inspection.
bool rollBackJournal(FileSystem& fs, const std::string& journalPath, File& database);

// The same for the database at `databasePath`, opened for writing only when a
// sealed journal is actually there. For Database::open.
bool recoverDatabase(FileSystem& fs, const std::string& databasePath);

}  // namespace jet
