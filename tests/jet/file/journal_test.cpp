// Writing pages through the page store and the rollback journal that keeps
// the database whole when a write fails or the machine stops at any moment.
#include "jet/file/journal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/crypt/jet_rc4_cipher.h"
#include "jet/error.h"
#include "jet/file/memory_file_system.h"
#include "jet/file/page_store.h"
#include "tests/jet/support/fixtures.h"

namespace {

using jet::MemoryFileSystem;
using jet::PageStore;

constexpr uint32_t kPageSize = 2048;
const std::string kDb = "/mem/db.mdb";
const std::string kJournal = jet::journalPathFor(kDb);
constexpr uint32_t kEncodingKey = 0x6b39dac7;

// Six pages, each filled with its own pattern, plus `tail` stray bytes.
std::vector<uint8_t> startImage(size_t tail) {
    std::vector<uint8_t> bytes(6 * kPageSize + tail);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + i / kPageSize);
    return bytes;
}

std::unique_ptr<PageStore> openStore(MemoryFileSystem& fs,
                                     const std::shared_ptr<MemoryFileSystem>& owner,
                                     bool encrypted) {
    auto store = std::make_unique<PageStore>(fs.open(kDb, true), kPageSize, 2);
    if (encrypted) store->setCipher(std::make_unique<jet::JetRc4Cipher>(kEncodingKey));
    store->enableWriting(owner, kJournal);
    return store;
}

// Changes three pages (one twice, one the header page) and appends two.
void changeSeveralPages(PageStore& store) {
    jet::PageTransaction tx(store);
    (*store.writablePage(1))[10] = 0xAA;
    (*store.writablePage(3))[0] = 0xBB;
    (*store.writablePage(3))[kPageSize - 1] = 0xCC;
    (*store.writablePage(0))[100] = 0xDD;
    uint32_t a = store.appendPage();
    uint32_t b = store.appendPage();
    (*store.writablePage(a))[5] = 0xEE;
    (*store.writablePage(b))[6] = 0xFF;
    (*store.writablePage(5))[7] = 0x11;
    tx.commit();
}

struct CrashCase {
    const char* name;
    bool encrypted;
    size_t tail;  // stray bytes after the last whole page
};

void PrintTo(const CrashCase& c, std::ostream* os) {
    *os << c.name;
}

class JournalCrashTest : public ::testing::TestWithParam<CrashCase> {};

// Stops the machine at every changing operation of one transaction in turn;
// after restart and recovery the file is always exactly the before or the
// after image.
TEST_P(JournalCrashTest, EveryCrashPointLeavesBeforeOrAfterImage) {
    const CrashCase& c = GetParam();
    const std::vector<uint8_t> before = startImage(c.tail);

    auto clean = std::make_shared<MemoryFileSystem>();
    clean->put(kDb, before);
    const uint8_t plainBefore = (*openStore(*clean, clean, c.encrypted)->page(3))[0];
    changeSeveralPages(*openStore(*clean, clean, c.encrypted));
    const std::vector<uint8_t> after = clean->bytes(kDb);
    const uint64_t operations = clean->operations();
    ASSERT_FALSE(clean->exists(kJournal));
    ASSERT_EQ(after.size(), 8u * kPageSize);
    ASSERT_NE(before, after);

    size_t sawBefore = 0, sawAfter = 0;
    for (uint64_t n = 0; n <= operations; ++n) {
        SCOPED_TRACE("crash after " + std::to_string(n) + " operations");
        auto fs = std::make_shared<MemoryFileSystem>();
        fs->put(kDb, before);
        fs->failAfter(n);
        bool failed = false;
        try {
            changeSeveralPages(*openStore(*fs, fs, c.encrypted));
        } catch (const jet::Error& e) {
            failed = true;
            EXPECT_EQ(e.code(), jet::ErrorCode::Io);
        }
        EXPECT_EQ(failed, n < operations);
        fs->restart();
        jet::recoverDatabase(*fs, kDb);
        EXPECT_FALSE(fs->exists(kJournal));
        const std::vector<uint8_t>& now = fs->bytes(kDb);
        if (now == before) {
            ++sawBefore;
        } else {
            EXPECT_EQ(now, after) << "the file mixes the two images";
            ++sawAfter;
        }
        // The store sees the same thing after reopening.
        auto reopened = openStore(*fs, fs, c.encrypted);
        EXPECT_EQ((*reopened->page(3))[0], now == before ? plainBefore : 0xBB);
    }
    EXPECT_GT(sawBefore, 0u);
    EXPECT_GE(sawAfter, 1u);
}

INSTANTIATE_TEST_SUITE_P(Journal, JournalCrashTest,
                         ::testing::Values(CrashCase{"plain", false, 0}, CrashCase{"rc4", true, 0},
                                           CrashCase{"partialTail", false, 300}),
                         [](const auto& param) { return std::string(param.param.name); });

// A failing write (the machine stays up) is undone at once by the store.
TEST(PageStoreWrite, FailedCommitRollsBackInProcess) {
    const std::vector<uint8_t> before = startImage(0);
    auto clean = std::make_shared<MemoryFileSystem>();
    clean->put(kDb, before);
    changeSeveralPages(*openStore(*clean, clean, false));
    const uint64_t operations = clean->operations();

    for (uint64_t n = 0; n < operations; ++n) {
        SCOPED_TRACE("failure at operation " + std::to_string(n));
        auto fs = std::make_shared<MemoryFileSystem>();
        fs->put(kDb, before);
        auto store = openStore(*fs, fs, false);
        fs->failAfter(n);
        EXPECT_THROW(changeSeveralPages(*store), jet::Error);
        fs->restart();
        EXPECT_FALSE(store->inTransaction());
        EXPECT_EQ(store->pageCount(), 6u);
        // The next transaction finishes whatever the failed one left behind.
        store->begin();
        store->rollback();
        EXPECT_EQ(fs->bytes(kDb), before);
        EXPECT_FALSE(fs->exists(kJournal));
        EXPECT_EQ((*store->page(1))[10], before[kPageSize + 10]);
    }
}

TEST(PageStoreWrite, ReadsInsideTransactionSeeNewBytesAndRollbackRestores) {
    const std::vector<uint8_t> before = startImage(0);
    auto fs = std::make_shared<MemoryFileSystem>();
    fs->put(kDb, before);
    auto store = openStore(*fs, fs, true);
    jet::PageRef old = store->page(2);

    store->begin();
    (*store->writablePage(2))[0] = static_cast<uint8_t>((*old)[0] + 1);
    const uint32_t added = store->appendPage();
    EXPECT_EQ(added, 6u);
    EXPECT_EQ(store->pageCount(), 7u);
    EXPECT_EQ((*store->page(2))[0], static_cast<uint8_t>((*old)[0] + 1));
    EXPECT_EQ(*store->page(added), jet::Page(kPageSize, 0));
    // Many other reads through a two-page cache do not lose the change.
    for (uint32_t n = 0; n < 6; ++n) store->page(n);
    EXPECT_EQ((*store->page(2))[0], static_cast<uint8_t>((*old)[0] + 1));
    EXPECT_TRUE(fs->exists(kJournal));
    EXPECT_EQ(fs->bytes(kDb), before) << "nothing reaches the file before commit";

    store->rollback();
    EXPECT_EQ(*store->page(2), *old);
    EXPECT_EQ(store->pageCount(), 6u);
    EXPECT_THROW(store->page(added), jet::Error);
    EXPECT_FALSE(fs->exists(kJournal));
    EXPECT_EQ(fs->bytes(kDb), before);
}

TEST(PageStoreWrite, EncryptedPagesRoundTripAndAreStoredEncrypted) {
    auto fs = std::make_shared<MemoryFileSystem>();
    fs->put(kDb, startImage(0));
    jet::Page plain(kPageSize);
    for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<uint8_t>(i % 251);
    {
        auto store = openStore(*fs, fs, true);
        jet::PageTransaction tx(*store);
        *store->writablePage(4) = plain;
        *store->writablePage(store->appendPage()) = plain;
        tx.commit();
        EXPECT_EQ(*store->page(4), plain);
    }
    const std::vector<uint8_t>& bytes = fs->bytes(kDb);
    ASSERT_EQ(bytes.size(), 7u * kPageSize);
    std::vector<uint8_t> stored4(bytes.begin() + 4 * kPageSize, bytes.begin() + 5 * kPageSize);
    std::vector<uint8_t> stored6(bytes.begin() + 6 * kPageSize, bytes.end());
    EXPECT_NE(stored4, plain);
    EXPECT_NE(stored4, stored6) << "each page has its own key";
    jet::JetRc4Cipher cipher(kEncodingKey);
    cipher.decryptPage(4, stored4);
    EXPECT_EQ(stored4, plain);

    auto reopened = openStore(*fs, fs, true);
    EXPECT_EQ(*reopened->page(4), plain);
    EXPECT_EQ(*reopened->page(6), plain);
}

TEST(PageStoreWrite, MisuseIsReported) {
    auto fs = std::make_shared<MemoryFileSystem>();
    fs->put(kDb, startImage(0));
    PageStore readOnly(fs->open(kDb, false), kPageSize);
    EXPECT_THROW(readOnly.begin(), jet::Error);

    auto store = openStore(*fs, fs, false);
    EXPECT_THROW(store->writablePage(1), jet::Error);
    EXPECT_THROW(store->commit(), jet::Error);
    store->begin();
    EXPECT_THROW(store->begin(), jet::Error);
    EXPECT_THROW(store->writablePage(6), jet::Error);
    store->commit();
    EXPECT_FALSE(fs->exists(kJournal)) << "a transaction without changes leaves no journal";
}

// Journals that were never sealed, or are damaged after sealing.
TEST(Journal, UnsealedJournalIsDiscardedAndDamagedOneRefused) {
    const std::vector<uint8_t> before = startImage(0);
    std::vector<uint8_t> changed = before;
    changed[kPageSize] ^= 0xFF;

    auto fs = std::make_shared<MemoryFileSystem>();
    auto makeJournal = [&](bool seal) {
        jet::JournalWriter w(*fs, kJournal, kPageSize, before.size());
        w.add(1, std::span<const uint8_t>(before).subspan(kPageSize, kPageSize));
        if (seal) w.seal();
    };

    struct Case {
        const char* name;
        bool seal;
        std::optional<size_t> flipByte;  // in the journal
        bool rollsBack;
        bool refused;
    };
    const Case cases[] = {
        {"unsealed", false, std::nullopt, false, false},
        {"torn header", true, 30, false, false},
        {"sealed", true, std::nullopt, true, false},
        {"damaged record", true, 32 + 100, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs->put(kDb, changed);
        makeJournal(c.seal);
        if (c.flipByte) {
            std::vector<uint8_t> j = fs->bytes(kJournal);
            j.at(*c.flipByte) ^= 0x01;
            fs->put(kJournal, j);
        }
        if (c.refused) {
            EXPECT_THROW(jet::recoverDatabase(*fs, kDb), jet::Error);
            EXPECT_TRUE(fs->exists(kJournal)) << "kept for inspection";
            EXPECT_EQ(fs->bytes(kDb), changed);
            fs->remove(kJournal);
            continue;
        }
        EXPECT_EQ(jet::recoverDatabase(*fs, kDb), c.rollsBack);
        EXPECT_FALSE(fs->exists(kJournal));
        EXPECT_EQ(fs->bytes(kDb), c.rollsBack ? before : changed);
    }
}

// Opening a real file with a sealed journal beside it undoes the change first.
TEST(Journal, DatabaseOpenRollsBackLeftoverJournal) {
    testing_support::TempDir dir;
    const std::filesystem::path copy = dir.copy("V2000/delTestV2000.mdb");
    const std::string path = copy.string();
    auto fs = jet::posixFileSystem();
    const auto tablesBefore = jet::Database::open(path)->tables().size();
    {
        auto store = std::make_unique<PageStore>(fs->open(path, true), 4096);
        std::vector<uint8_t> catalog = store->readRawPage(2);
        jet::JournalWriter w(*fs, jet::journalPathFor(path), 4096, fs->open(path, false)->size());
        w.add(2, catalog);
        w.seal();
        std::vector<uint8_t> garbage(4096, 0x5A);
        store->file().write(2 * 4096, garbage);
        store->file().write(40 * 4096, garbage);  // past the end: the file grew
    }
    auto db = jet::Database::open(path);
    EXPECT_EQ(db->tables().size(), tablesBefore);
    EXPECT_FALSE(fs->exists(jet::journalPathFor(path)));
    EXPECT_EQ(std::filesystem::file_size(copy),
              std::filesystem::file_size(testing_support::fixture("V2000/delTestV2000.mdb")));
}

// A writable open can change a page and commit it on disk.
TEST(PageStoreWrite, WritableDatabaseCommitsToDisk) {
    testing_support::TempDir dir;
    const std::string path = dir.copy("V2000/delTestV2000.mdb").string();
    jet::OpenOptions options;
    options.writable = true;
    auto db = jet::Database::open(path, options);
    const uint32_t count = db->pages().pageCount();
    {
        jet::PageTransaction tx(db->pages());
        (*db->pages().writablePage(db->pages().appendPage()))[0] = 0x42;
        tx.commit();
    }
    EXPECT_FALSE(std::filesystem::exists(jet::journalPathFor(path)));
    EXPECT_EQ(std::filesystem::file_size(path), (count + 1ull) * 4096);
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(count) * 4096);
    EXPECT_EQ(in.get(), 0x42);
}

}  // namespace
