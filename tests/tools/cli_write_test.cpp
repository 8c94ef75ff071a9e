// tabulon-cli's writing commands as a user runs them: create a file, load a
// CSV into a new table, compact with a password change; every file they
// leave passes the checker and is read alike by the engine and mdbtools.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/fixtures.h"
#include "support/mdbtools_compare.h"

#ifdef TABULON_CLI

namespace {

using testing_support::runCommand;
using testing_support::shellQuote;

struct Cli {
    std::string output;
    int status = -1;
};

Cli cli(const std::string& arguments) {
    Cli r;
    r.output = runCommand(std::string(TABULON_CLI) + " " + arguments + " 2>&1", &r.status);
    return r;
}

std::string writeCsv(const testing_support::TempDir& dir, const std::string& text) {
    const std::string path = (dir.path() / "data.csv").string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

const char* kOrders =
    "Id,Name,Price,Ordered,Paid,Note\n"
    "1,Anna,12.50,2024-01-31,true,first\n"
    "2,\"Bernd, Jr.\",7,2024-02-29 10:30:00,false,\n"
    "3,Chloé,0.99,2023-12-24,true,\"two\nlines\"\n";

TEST(CliWrite, CreateLoadExportAndCheckInEveryVersion) {
    testing_support::TempDir dir;
    const std::string csv = writeCsv(dir, kOrders);
    for (const char* key : {"32", "64", "128", "256"}) {
        SCOPED_TRACE(key);
        const std::string db = (dir.path() / (std::string("v") + key +
                                              (key[0] == '1' || key[0] == '2' ? ".accdb" : ".mdb")))
                                   .string();
        ASSERT_EQ(cli("create " + shellQuote(db) + " --version " + key).status, 0);
        const Cli load = cli("load " + shellQuote(db) + " Orders " + shellQuote(csv) +
                             " --columns 'Id Long, Name Text(20), Price Currency, Ordered Date, "
                             "Paid Boolean, Note Memo' --primary-key Id --index Name");
        ASSERT_EQ(load.status, 0) << load.output;
        EXPECT_EQ(load.output, "3 rows loaded into Orders\n");
        const Cli check = cli("check " + shellQuote(db));
        EXPECT_EQ(check.status, 0) << check.output;
        EXPECT_EQ(cli("export " + shellQuote(db) + " Orders").output,
                  "Id,Name,Price,Ordered,Paid,Note\n"
                  "1,\"Anna\",12.5000,\"2024-01-31 00:00:00\",1,\"first\"\n"
                  "2,\"Bernd, Jr.\",7.0000,\"2024-02-29 10:30:00\",0,\n"
                  "3,\"Chloé\",0.9900,\"2023-12-24 00:00:00\",1,\"two\nlines\"\n");
        // The Name index orders "Bernd, Jr." before "Chloé" and after "Anna".
        const std::string walk = cli("index-walk " + shellQuote(db) + " Orders Name").output;
        const size_t anna = walk.find("Anna"), bernd = walk.find("Bernd"),
                     chloe = walk.find("Chlo");
        EXPECT_TRUE(anna < bernd && bernd < chloe && chloe != std::string::npos) << walk;
        for (const auto& p : testing_support::differencesWithMdbtools(db)) ADD_FAILURE() << p;
    }
}

TEST(CliWrite, LoadTypesColumnsFromTheData) {
    testing_support::TempDir dir;
    const std::string csv = writeCsv(dir, kOrders);
    const std::string db = (dir.path() / "typed.accdb").string();
    ASSERT_EQ(cli("create " + shellQuote(db) + " --version 256").status, 0);
    ASSERT_EQ(cli("load " + shellQuote(db) + " Orders " + shellQuote(csv)).status, 0);
    const std::string schema = cli("schema " + shellQuote(db) + " Orders").output;
    EXPECT_NE(schema.find("column Id Long"), std::string::npos) << schema;
    EXPECT_NE(schema.find("column Price Double"), std::string::npos) << schema;
    EXPECT_NE(schema.find("column Ordered DateTime"), std::string::npos) << schema;
    EXPECT_NE(schema.find("column Paid Boolean"), std::string::npos) << schema;
    EXPECT_EQ(cli("count " + shellQuote(db) + " Orders").output, "3\n");
}

TEST(CliWrite, RefusedLoadsLeaveTheFileAsItWas) {
    testing_support::TempDir dir;
    const std::string db = (dir.path() / "keep.mdb").string();
    ASSERT_EQ(cli("create " + shellQuote(db) + " --version 64").status, 0);
    const std::string good = writeCsv(dir, "K,V\n1,a\n2,b\n");
    ASSERT_EQ(cli("load " + shellQuote(db) + " T " + shellQuote(good) + " --primary-key K").status,
              0);
    const auto before = std::filesystem::file_size(db);

    struct Case {
        std::string table, csv, options, message;
    };
    const Case cases[] = {
        {"T", "K,V\n3,c\n", "", "Table 'T' already exists."},
        {"U", "K,V\n1,a\n1,b\n", "--primary-key K", "duplicate values in the index"},
        {"U", "K,V\n,a\n", "--primary-key K", "Index or primary key cannot contain a Null value."},
        {"U", "K,V\nx,a\n", "--columns 'K Long, V Text(5)'", "Data type mismatch"},
        {"U", "K,V\n1,abcdef\n", "--columns 'K Long, V Text(5)'", "The field is too small"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const std::string csv = writeCsv(dir, c.csv);
        const Cli r =
            cli("load " + shellQuote(db) + " " + c.table + " " + shellQuote(csv) + " " + c.options);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
        EXPECT_EQ(std::filesystem::file_size(db), before);
        EXPECT_EQ(cli("tables " + shellQuote(db)).output, "T\n");
    }
}

TEST(CliWrite, CompactSetsAndRemovesThePassword) {
    testing_support::TempDir dir;
    const std::string plain = (dir.path() / "plain.accdb").string();
    const std::string locked = (dir.path() / "locked.accdb").string();
    const std::string open = (dir.path() / "open.mdb").string();
    ASSERT_EQ(cli("create " + shellQuote(plain) + " --version 128 --collation 1049").status, 0);
    ASSERT_EQ(
        cli("compact " + shellQuote(plain) + " " + shellQuote(locked) + " --new-password s3cret")
            .status,
        0);
    EXPECT_EQ(cli("info " + shellQuote(locked)).output, "Not a valid password.\n");
    EXPECT_EQ(cli("--password s3cret check " + shellQuote(locked)).status, 0);
    ASSERT_EQ(cli("--password s3cret compact " + shellQuote(locked) + " " + shellQuote(open) +
                  " --version 64 --remove-password")
                  .status,
              0);
    const std::string info = cli("info " + shellQuote(open)).output;
    EXPECT_NE(info.find("version: 4.0"), std::string::npos) << info;
    EXPECT_NE(info.find("collation id: 1049"), std::string::npos) << info;
    EXPECT_NE(info.find("password: no"), std::string::npos) << info;
}

}  // namespace

#endif
