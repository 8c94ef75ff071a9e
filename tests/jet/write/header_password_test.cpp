// New header pages on real files: the pages of an Access-made fixture under a
// header built here (and, for an .accdb password, encrypted through the
// cipher protectAceHeader returns) open with Database::open and show the
// same tables and rows — with the password only, when there is one — and
// mdbtools reads the unencrypted ones.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "jet/catalog/database.h"
#include "jet/file/header.h"
#include "jet/table/table_scan.h"
#include "jet/write/header_writer.h"
#include "jet/write/page_sink.h"
#include "support/fixtures.h"

using namespace jet;

namespace {

std::vector<uint8_t> readAll(const std::string& fixture) {
    std::ifstream in(testing_support::fixture(fixture), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The fixture's pages 1..n behind a new header written from its parsed
// fields and `password`, all through a PageSink as the builder writes.
std::vector<uint8_t> rewrittenWithNewHeader(const std::string& fixture,
                                            const std::string& password) {
    const std::vector<uint8_t> original = readAll(fixture);
    const DatabaseHeader h = parseHeader(original, fixture);
    NewHeader n;
    n.version = h.version;
    n.sortOrder = h.sortOrder;
    n.codePage = h.codePage;
    n.creationDate = h.creationDate;
    n.password = password;
    PageBytes header = buildHeaderPage(n);

    MemoryFile file;
    FilePageSink sink(file, h.pageSize);
    if (isAce(h.version) && !password.empty()) sink.setCipher(protectAceHeader(header, password));
    const size_t pages = original.size() / h.pageSize;
    for (size_t i = 0; i < pages; ++i) {
        const uint32_t n0 = sink.allocate();
        if (n0 == 0) {
            sink.write(0, header);
        } else {
            sink.write(n0, Bytes(original).subspan(i * h.pageSize, h.pageSize));
        }
    }
    return file.bytes();
}

std::shared_ptr<Database> openBytes(const std::vector<uint8_t>& bytes, const std::string& pw) {
    OpenOptions o;
    o.password = pw;
    return Database::open(std::make_unique<MemoryFile>(bytes), "new", o);
}

// Every user table with its row count, one per line.
std::string tableSummary(Database& db) {
    std::ostringstream out;
    for (const CatalogObject* t : db.tables()) {
        TableScan scan(db, db.table(t->name));
        size_t rows = 0;
        while (scan.next()) {
            scan.values();  // decodes every column, long values included
            ++rows;
        }
        out << t->name << ' ' << rows << '\n';
    }
    return out.str();
}

struct Case {
    const char* fixture;
    const char* password;
};

TEST(NewHeaderOnRealFiles, OpensWithThePasswordOnly) {
    const Case cases[] = {
        {"V1997/testV1997.mdb", ""},
        {"V1997/testV1997.mdb", "Secret 97"},
        {"empty/emptyJet4.mdb", ""},
        {"V2000/testV2000.mdb", "Grüße 2000"},
        {"V2000/testV2000.mdb", "12345678901234567890"},
        {"V2007/testV2007.accdb", ""},
        {"V2007/testV2007.accdb", "Zugang 2007"},
        {"empty/empty2010.accdb", "x"},
        {"V2010/testV2010.accdb", ""},
        {"V2010/testV2010.accdb", "Pässwörd-2010 ok"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fixture) + " '" + c.password + "'");
        const std::string expected =
            tableSummary(*Database::open(testing_support::fixture(c.fixture).string()));
        if (std::string(c.fixture).rfind("empty/", 0) != 0) {
            ASSERT_FALSE(expected.empty());
        }

        const std::vector<uint8_t> bytes = rewrittenWithNewHeader(c.fixture, c.password);
        auto db = openBytes(bytes, c.password);
        EXPECT_EQ(tableSummary(*db), expected);
        const std::string password = c.password;
        if (password.empty()) continue;

        if (isAce(db->version())) {
            EXPECT_EQ(db->encryption(), "Office");
            // The catalogue page is stored encrypted.
            const std::vector<uint8_t> original = readAll(c.fixture);
            EXPECT_FALSE(std::equal(bytes.begin() + 2 * 4096, bytes.begin() + 3 * 4096,
                                    original.begin() + 2 * 4096));
        } else {
            EXPECT_EQ(db->header().password, password);
        }
        std::string otherCase = password;
        for (char& ch : otherCase)
            if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
        for (const std::string& wrong :
             {std::string(), password.substr(0, password.size() - 1), password + "!", otherCase}) {
            if (wrong == password) continue;  // a password without lower-case letters
            try {
                openBytes(bytes, wrong);
                ADD_FAILURE() << "opened with '" << wrong << "'";
            } catch (const Error& e) {
                EXPECT_EQ(e.code(), ErrorCode::BadPassword) << wrong;
                EXPECT_STREQ(e.what(), "Not a valid password.");
            }
        }
    }
}

TEST(NewHeaderOnRealFiles, MdbToolsReadsTheUnencryptedFiles) {
    testing_support::TempDir dir;
    const Case cases[] = {{"V1997/testV1997.mdb", "Secret 97"},
                          {"V2000/testV2000.mdb", "Grüße 2000"},
                          {"V2007/testV2007.accdb", ""},
                          {"V2010/testV2010.accdb", ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        const std::string path = (dir.path() / "new.db").string();
        {
            const std::vector<uint8_t> bytes = rewrittenWithNewHeader(c.fixture, c.password);
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
        }
        int status = -1;
        const std::string ours = testing_support::runCommand(
            "mdb-tables -1 " + testing_support::shellQuote(path), &status);
        ASSERT_EQ(status, 0);
        const std::string theirs = testing_support::runCommand(
            "mdb-tables -1 " +
            testing_support::shellQuote(testing_support::fixture(c.fixture).string()));
        EXPECT_FALSE(ours.empty());
        EXPECT_EQ(ours, theirs);
        const std::string version =
            testing_support::runCommand("mdb-ver " + testing_support::shellQuote(path));
        const std::string originalVersion = testing_support::runCommand(
            "mdb-ver " + testing_support::shellQuote(testing_support::fixture(c.fixture).string()));
        EXPECT_EQ(version, originalVersion);
    }
}

}  // namespace
