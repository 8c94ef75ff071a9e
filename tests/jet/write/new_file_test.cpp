// A new file appears whole or not at all, and the page sink hands back what
// was written to it, encrypted on the way to storage.
#include "jet/write/new_file.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "jet/crypt/jet_rc4_cipher.h"
#include "jet/error.h"
#include "jet/file/memory_file_system.h"
#include "jet/write/page_sink.h"

namespace {

using jet::MemoryFileSystem;

const std::string kPath = "/mem/new.accdb";

void writeThreePages(jet::File& file) {
    jet::FilePageSink sink(file, 16);
    for (uint8_t i = 0; i < 3; ++i) sink.write(sink.allocate(), std::vector<uint8_t>(16, i));
}

TEST(NewFile, AppearsUnderItsNameOnlyWhenComplete) {
    auto fs = std::make_shared<MemoryFileSystem>();
    fs->put(kPath, {1, 2, 3});
    jet::writeFileAtomically(*fs, kPath, writeThreePages);
    EXPECT_EQ(fs->bytes(kPath).size(), 48u);
    EXPECT_EQ(fs->bytes(kPath)[40], 2);
    EXPECT_FALSE(fs->exists(jet::temporaryPathFor(kPath)));
}

TEST(NewFile, FailureLeavesTheOldFileAndNoTemporaryOne) {
    auto fs = std::make_shared<MemoryFileSystem>();
    fs->put(kPath, {1, 2, 3});
    EXPECT_THROW(jet::writeFileAtomically(*fs, kPath,
                                          [](jet::File& file) {
                                              writeThreePages(file);
                                              throw jet::Error(jet::ErrorCode::Constraint, "no");
                                          }),
                 jet::Error);
    EXPECT_EQ(fs->bytes(kPath), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_FALSE(fs->exists(jet::temporaryPathFor(kPath)));
}

TEST(NewFile, CrashAtAnyStepNeverLeavesAHalfWrittenDestination) {
    for (uint64_t step = 0; step < 8; ++step) {
        auto fs = std::make_shared<MemoryFileSystem>();
        fs->failAfter(step);
        try {
            jet::writeFileAtomically(*fs, kPath, writeThreePages);
        } catch (const jet::Error&) {
        }
        fs->failAfter(std::nullopt);
        fs->restart();
        if (fs->exists(kPath)) {
            EXPECT_EQ(fs->bytes(kPath).size(), 48u) << "step " << step;
        }
    }
}

TEST(PageSink, EncryptsEveryPageButTheHeaderAndReadsBackPlainBytes) {
    jet::MemoryPageSink sink(2048);
    sink.setCipher(std::make_unique<jet::JetRc4Cipher>(0x12345678u));
    const std::vector<uint8_t> plain(2048, 0x5A);
    sink.write(sink.allocate(), plain);
    sink.write(sink.allocate(), plain);
    const uint32_t unwritten = sink.allocate();
    const std::vector<uint8_t> file = sink.fileBytes();
    ASSERT_EQ(file.size(), 3u * 2048);
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), file.begin()));
    EXPECT_FALSE(std::equal(plain.begin(), plain.end(), file.begin() + 2048));
    EXPECT_EQ(sink.read(1), plain);
    EXPECT_EQ(sink.read(unwritten), std::vector<uint8_t>(2048, 0));
    EXPECT_THROW(sink.write(7, plain), jet::Error);
    EXPECT_THROW(sink.write(1, std::vector<uint8_t>(100)), jet::Error);
}

}  // namespace
