// Names Access accepts and refuses for tables, columns and indexes, with the
// message Access gives.
#include "jet/write/name_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jet/error.h"

using namespace jet;

namespace {

std::string invalidNameMessage(const std::string& name) {
    return "'" + name +
           "' isn't a valid name. Make sure that it doesn't include invalid characters or "
           "punctuation and that it isn't too long.";
}

// The message a check gives, or "" when it accepts.
template <typename Check>
std::string refusal(Check check) {
    try {
        check();
        return "";
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), ErrorCode::InvalidArgument);
        return e.what();
    }
}

TEST(NameRules, ObjectNamesAcceptedAndRefused) {
    struct Case {
        std::string name;
        bool accepted;
    };
    const std::string max64(64, 'x');
    // 63 ASCII letters and one character outside the Basic Multilingual Plane
    // take 65 UTF-16 units: one too many.
    const std::string astral65 = std::string(63, 'x') + "\xF0\x9F\x98\x80";
    const Case cases[] = {
        {"Customers", true},
        {"Order Details", true},
        {"Größe", true},
        {"日本語の表", true},
        {"a-b_c#d$e%f&g(h)i'j\"k", true},
        {"trailing blank ", true},
        {max64, true},
        {std::string(62, 'x') + "é", true},  // 64 characters, 65 bytes of UTF-8
        {"", false},
        {max64 + "x", false},
        {astral65, false},
        {" leading", false},
        {"a.b", false},
        {"a!b", false},
        {"a`b", false},
        {"a[b", false},
        {"a]b", false},
        {"tab\there", false},
        {"new\nline", false},
        {"soh\x01", false},
        {"us\x1f", false},
        {"del\x7f", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(refusal([&] { checkObjectName(c.name); }),
                  c.accepted ? "" : invalidNameMessage(c.name));
    }
}

TEST(NameRules, TablesAndQueriesShareOneNameSpaceWithoutRegardToCase) {
    const std::vector<std::string> existing = {"Customers", "Active Customers", "Straße"};
    struct Case {
        std::string name;
        std::string message;
    };
    const Case cases[] = {
        {"Orders", ""},
        {"customers", "Table 'customers' already exists."},
        {"ACTIVE CUSTOMERS", "Table 'ACTIVE CUSTOMERS' already exists."},
        {"STRASSE", "Table 'STRASSE' already exists."},
        {"Customers2", ""},
        {"Cust.omers", invalidNameMessage("Cust.omers")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(refusal([&] { checkNewTableName(c.name, existing); }), c.message);
    }
}

TEST(NameRules, ColumnAndIndexNamesAreDistinctWithinTheirTable) {
    struct Case {
        std::vector<std::string> names;
        std::string columnMessage;
        std::string indexMessage;
    };
    const Case cases[] = {
        {{"id", "name", "price"}, "", ""},
        {{"id", "Name", "NAME"},
         "Field 'NAME' already exists in table 'T'.",
         "Table 'T' already has an index named 'NAME'."},
        {{"Größe", "GRÖSSE"},
         "Field 'GRÖSSE' already exists in table 'T'.",
         "Table 'T' already has an index named 'GRÖSSE'."},
        {{"ok", "bad!"}, invalidNameMessage("bad!"), invalidNameMessage("bad!")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.names.back());
        EXPECT_EQ(refusal([&] { checkNewColumnNames("T", c.names); }), c.columnMessage);
        EXPECT_EQ(refusal([&] { checkNewIndexNames("T", c.names); }), c.indexMessage);
    }
    // Names Access gives relationship indexes break the character rules but
    // still share the index name space.
    const std::vector<std::string> relationship = {".rC", "Table2Table1"};
    EXPECT_EQ(refusal([&] { checkDistinctIndexNames("T", relationship); }), "");
    const std::vector<std::string> clash = {".rC", ".RC"};
    EXPECT_EQ(refusal([&] { checkDistinctIndexNames("T", clash); }),
              "Table 'T' already has an index named '.RC'.");
}

}  // namespace
