// Complex columns of the ACE 14 fixture (attachments, a multi-value field,
// the version history of an append-only Memo) read through the hidden
// tables, the stored form of attachment data (raw and deflated, and damaged
// forms of both), and what tabulon-cli export prints for such columns.
#include "jet/catalog/complex_columns.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <map>
#include <string>
#include <vector>

#include "jet/error.h"
#include "jet/table/table_scan.h"
#include "support/fixtures.h"

namespace jet {
namespace {

using testing_support::fixture;

const char* kComplexFixture = "V2010/complexDataTestV2010.accdb";

std::string textOf(const Blob& b) {
    return std::string(b.begin(), b.end());
}

std::string joined(const std::vector<std::string>& parts) {
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : " | ") + p;
    return out;
}

class ComplexFixture : public ::testing::Test {
protected:
    void SetUp() override {
        db_ = Database::open(fixture(kComplexFixture).string());
        table_ = db_->table("Table1");
    }

    const ColumnDef& column(const char* name) {
        const ColumnDef* c = table_->findColumn(name);
        if (!c) throw Error(ErrorCode::NotFound, name);
        return *c;
    }

    // The key each row of Table1 holds in `complexColumn`, by the row's id.
    std::vector<std::pair<std::string, int32_t>> keys(const char* complexColumn) {
        TableScan scan(*db_, table_);
        size_t id = 0, key = 0;
        for (size_t i = 0; i < table_->columns.size(); ++i) {
            if (table_->columns[i].name == "id") id = i;
            if (table_->columns[i].name == complexColumn) key = i;
        }
        std::vector<std::pair<std::string, int32_t>> out;
        while (scan.next()) {
            out.emplace_back(scan.value(id).as<std::string>(),
                             static_cast<int32_t>(scan.value(key).as<int64_t>()));
        }
        return out;
    }

    std::shared_ptr<Database> db_;
    std::shared_ptr<const TableDef> table_;
};

TEST_F(ComplexFixture, FindsTheTablesAndColumnsOfEachKind) {
    ComplexColumnInfo attach = complexColumnInfo(*db_, *table_, column("attach-data"));
    EXPECT_EQ(attach.kind, ComplexKind::Attachment);
    EXPECT_EQ(attach.typeTable, "MSysComplexType_Attachment");
    EXPECT_EQ(attach.flatTable, "f_3B07F994AD0A4B56A3A1E13B3A1D3B70_attach-data");
    EXPECT_EQ(attach.keyColumn, "_attach-data");
    EXPECT_EQ(attach.idColumn, "Table1_attach-data");
    EXPECT_EQ(joined(attach.valueColumns),
              "FileData | FileFlags | FileName | FileTimeStamp | FileType | FileURL");
    EXPECT_EQ(attach.versionedColumn, "");

    ComplexColumnInfo multi = complexColumnInfo(*db_, *table_, column("multi-value-data"));
    EXPECT_EQ(multi.kind, ComplexKind::MultiValue);
    EXPECT_EQ(multi.typeTable, "MSysComplexType_Text");
    EXPECT_EQ(multi.flatTable, "f_FCC66D28D650455480D923D1BD446BA6_multi-value-data");
    EXPECT_EQ(multi.keyColumn, "_multi-value-data");
    EXPECT_EQ(multi.idColumn, "Table1_multi-value-data");
    EXPECT_EQ(joined(multi.valueColumns), "Value");

    ComplexColumnInfo history = complexColumnInfo(
        *db_, *table_, column("VersionHistory_F5F8918F-0A3F-4DA9-AE71-184EE5012880"));
    EXPECT_EQ(history.kind, ComplexKind::VersionHistory);
    EXPECT_EQ(history.typeTable.rfind("MSysComplexTypeVH_", 0), 0u) << history.typeTable;
    EXPECT_EQ(history.versionedColumn, "append-memo-data");
    EXPECT_EQ(joined(history.valueColumns),
              "append-memo-data | Modified_F9B5E312-4155-4c59-9AAE-391C1B295827");
}

TEST_F(ComplexFixture, ReadsTheMultipleValuesOfEachRow) {
    const std::map<std::string, std::string> expected = {
        {"row1", ""},
        {"row2", "value1 | value4"},
        {"row3", "value1 | value2 | value3 | value4"},
        {"row4", ""},
    };
    ComplexColumnReader reader(*db_, *table_, column("multi-value-data"));
    auto rows = keys("multi-value-data");
    ASSERT_EQ(rows.size(), expected.size());
    for (const auto& [id, key] : rows) {
        SCOPED_TRACE(id);
        std::vector<std::string> values;
        for (const Value& v : reader.multiValues(key)) values.push_back(v.as<std::string>());
        EXPECT_EQ(joined(values), expected.at(id));
    }
    // The one-off function agrees with the reader.
    EXPECT_EQ(readMultiValues(*db_, *table_, column("multi-value-data"), 3).size(), 4u);
}

TEST_F(ComplexFixture, ReadsAttachmentsWithTheirFileBytes) {
    const std::string first = "this is some test data for attachment.";
    const std::string second = "this is some more test data for attachment.";
    const std::map<std::string, std::vector<std::pair<std::string, std::string>>> expected = {
        {"row1", {}},
        {"row2", {{"test_data.txt", first}, {"test_data2.txt", second}}},
        {"row3", {}},
        {"row4", {{"test_data2.txt", second}}},
    };
    ComplexColumnReader reader(*db_, *table_, column("attach-data"));
    auto rows = keys("attach-data");
    ASSERT_EQ(rows.size(), expected.size());
    for (const auto& [id, key] : rows) {
        SCOPED_TRACE(id);
        std::vector<Attachment> got = reader.attachments(key);
        const auto& want = expected.at(id);
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].fileName, want[i].first);
            EXPECT_EQ(got[i].fileType, "txt");
            EXPECT_EQ(textOf(got[i].data), want[i].second);
            EXPECT_FALSE(got[i].timeStamp || got[i].flags || got[i].url);
        }
        for (const Attachment& a : reader.attachments(key, false)) EXPECT_TRUE(a.data.empty());
    }
}

TEST_F(ComplexFixture, ReadsASystemTableAttachmentThatIsAWholeZipFile) {
    auto resources = db_->table("MSysResources");
    std::vector<Attachment> got =
        readAttachments(*db_, *resources, *resources->findColumn("Data"), 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].fileName, "Office Theme.thmx");
    EXPECT_EQ(got[0].fileType, "thmx");
    // A theme is a zip archive: local header first, end record 22 bytes
    // from the end. Both survive only if inflating went right to the last byte.
    const Blob& d = got[0].data;
    ASSERT_GT(d.size(), 22u);
    EXPECT_EQ(textOf(Blob(d.begin(), d.begin() + 4)), "PK\x03\x04");
    EXPECT_EQ(textOf(Blob(d.end() - 22, d.end() - 18)), "PK\x05\x06");
}

TEST_F(ComplexFixture, ReadsTheVersionHistoryNewestFirst) {
    const std::map<std::string, std::string> expected = {
        {"row1", ""},
        {"row2", "2011-09-12 21:21:02 row2-memo"},
        {"row3",
         "2011-09-12 21:22:45 row3-memo-again | 2011-09-12 21:22:33 row3-memo-revised | "
         "2011-09-12 21:21:19 row3-memo"},
        {"row4", "2011-09-12 21:22:26 row4-memo"},
    };
    const char* name = "VersionHistory_F5F8918F-0A3F-4DA9-AE71-184EE5012880";
    ComplexColumnReader reader(*db_, *table_, column(name));
    for (const auto& [id, key] : keys(name)) {
        SCOPED_TRACE(id);
        std::vector<std::string> versions;
        for (const MemoVersion& v : reader.versions(key)) {
            versions.push_back(formatDateTime(v.modified.value_or(0)) + " " + v.text.value_or("?"));
        }
        EXPECT_EQ(joined(versions), expected.at(id));
    }
    EXPECT_TRUE(readVersionHistory(*db_, *table_, column(name), 99).empty());
}

TEST_F(ComplexFixture, RefusesColumnsOfAnotherKind) {
    auto codeOf = [](auto&& call) {
        try {
            call();
        } catch (const Error& e) {
            return e.code();
        }
        return ErrorCode::Io;  // stands for "no error" here
    };
    EXPECT_EQ(codeOf([&] { complexColumnInfo(*db_, *table_, column("memo-data")); }),
              ErrorCode::InvalidArgument);
    EXPECT_EQ(codeOf([&] { readMultiValues(*db_, *table_, column("attach-data"), 2); }),
              ErrorCode::InvalidArgument);
    EXPECT_EQ(codeOf([&] { readAttachments(*db_, *table_, column("multi-value-data"), 2); }),
              ErrorCode::InvalidArgument);
    // A complex column whose id MSysComplexColumns does not know.
    ColumnDef unknown = column("attach-data");
    unknown.complexId = 4242;
    EXPECT_EQ(codeOf([&] { complexColumnInfo(*db_, *table_, unknown); }), ErrorCode::Corrupt);
}

// ------------------------------------------------------ stored file data

Blob u32(uint32_t v) {
    return Blob{static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
}

Blob cat(std::initializer_list<Blob> parts) {
    Blob out;
    for (const Blob& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// The content as Access lays it out: header with the extension, then the file.
Blob content(const std::string& file) {
    Blob ext = {'t', 0, 'x', 0, 't', 0, 0, 0};
    return cat({u32(12 + static_cast<uint32_t>(ext.size())), u32(1), u32(4), ext,
                Blob(file.begin(), file.end())});
}

Blob deflated(const Blob& plain) {
    uLongf size = compressBound(plain.size());
    Blob out(size);
    EXPECT_EQ(compress2(out.data(), &size, plain.data(), plain.size(), 6), Z_OK);
    out.resize(size);
    return out;
}

Blob stored(uint32_t kind, uint32_t length, const Blob& body) {
    return cat({u32(kind), u32(length), body});
}

TEST(AttachmentData, DecodesRawAndDeflatedContent) {
    const std::string file = "hello, attachment";
    Blob plain = content(file);
    uint32_t length = static_cast<uint32_t>(plain.size());
    EXPECT_EQ(textOf(decodeAttachmentData(stored(0, length, plain))), file);
    EXPECT_EQ(textOf(decodeAttachmentData(stored(1, length, deflated(plain)))), file);
    // Bytes after the declared length are not part of the file.
    Blob longer = plain;
    longer.insert(longer.end(), {'x', 'y'});
    EXPECT_EQ(textOf(decodeAttachmentData(stored(0, length, longer))), file);
    EXPECT_EQ(textOf(decodeAttachmentData(stored(1, length, deflated(longer)))), file);
    // An empty file is just the header.
    EXPECT_TRUE(decodeAttachmentData(stored(1, 20, deflated(content("")))).empty());
}

TEST(AttachmentData, RejectsDamagedData) {
    Blob plain = content("hello, attachment");
    uint32_t length = static_cast<uint32_t>(plain.size());
    Blob packed = deflated(plain);
    Blob badChecksum = packed;
    badChecksum.back() ^= 0x01;
    Blob garbage(40, 0xAB);
    struct Bad {
        const char* name;
        Blob bytes;
    };
    const Bad cases[] = {
        {"shorter than the header", Blob{1, 0, 0, 0, 5}},
        {"unknown storage kind", stored(2, length, plain)},
        {"raw content shorter than its length", stored(0, length + 1, plain)},
        {"header length below 4", stored(0, 8, cat({u32(3), u32(1)}))},
        {"header length past the content", stored(0, 8, cat({u32(9), u32(1)}))},
        {"no content header at all", stored(0, 2, Blob{1, 2})},
        {"deflated stream shorter than its length", stored(1, length + 10, packed)},
        {"deflated stream cut off", stored(1, length, Blob(packed.begin(), packed.end() - 6))},
        {"deflated stream with a wrong checksum", stored(1, length, badChecksum)},
        {"not a deflated stream", stored(1, length, garbage)},
        {"length far beyond what the bytes can inflate to", stored(1, 0xFFFFFFF0u, packed)},
    };
    for (const Bad& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            decodeAttachmentData(c.bytes);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), ErrorCode::Corrupt) << e.what();
        }
    }
}

#ifdef TABULON_CLI
TEST(ComplexColumnsExport, ShowsValuesAndFileNamesInOneField) {
    std::string csv = testing_support::runCommand(
        std::string(TABULON_CLI) + " export " +
        testing_support::shellQuote(fixture(kComplexFixture).string()) + " Table1");
    EXPECT_EQ(
        csv,
        "id,VersionHistory_F5F8918F-0A3F-4DA9-AE71-184EE5012880,memo-data,append-memo-data,"
        "multi-value-data,attach-data\n"
        "\"row1\",1,,,\"\",\"\"\n"
        "\"row2\",2,\"row2-memo\",\"row2-memo\",\"value1; value4\","
        "\"test_data.txt; test_data2.txt\"\n"
        "\"row3\",3,\"row3-memo\",\"row3-memo-again\",\"value1; value2; value3; value4\",\"\"\n"
        "\"row4\",4,\"row4-memo\",\"row4-memo\",\"\",\"test_data2.txt\"\n");
}
#endif

}  // namespace
}  // namespace jet
