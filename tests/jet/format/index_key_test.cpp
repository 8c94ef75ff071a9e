// Index keys against the indexes Access wrote, and the ordering properties
// the keys must have for values no fixture indexes.
#include "jet/format/index_key.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/error.h"
#include "jet/format/sort_order.h"
#include "jet/format/text_codec.h"
#include "jet/table/index_cursor.h"
#include "support/fixtures.h"

namespace jet {
namespace {

std::string hex(const std::vector<uint8_t>& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (uint8_t b : bytes) {
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

// ---------------------------------------------------------------------------
// Every entry of every index Access wrote equals the key of the row it points to.

struct FixtureCase {
    const char* file;
    SortOrderKind textOrder;  // the sort order of the file's text columns
    size_t minEntries;        // entries checked (the fixture holds this many), so a reader fault
                              // that skips entries cannot pass silently
    size_t minTextEntries;
    bool expectDescending;  // the file has descending index columns
};

void PrintTo(const FixtureCase& c, std::ostream* os) {
    *os << c.file;
}

// The General sort order a text column was created with, if it has one.
std::optional<SortOrderKind> columnTextOrder(const ColumnDef& c, JetVersion version) {
    return indexKeyForms(SortOrder{c.sortLcid, c.sortVersion}, version).text;
}

// True if every column of `index` is of a kind index keys are built for.
bool indexIsCheckable(const TableDef& table, const RealIndexDef& index, JetVersion version) {
    for (const auto& c : index.columns) {
        const ColumnDef* column = table.columnByNumber(c.columnNumber);
        if (!column) return false;
        switch (column->type) {
            case DataType::Text:
            case DataType::Memo:
                if (!columnTextOrder(*column, version)) return false;
                break;
            case DataType::LongBinary:
            case DataType::Complex:
            case DataType::ExtDateTime:
                return false;
            default:
                break;
        }
    }
    return !index.columns.empty();
}

size_t fieldIndex(const TableDef& table, uint16_t columnNumber) {
    for (size_t i = 0; i < table.columns.size(); ++i) {
        if (table.columns[i].number == columnNumber) return i;
    }
    throw std::out_of_range("no column " + std::to_string(columnNumber));
}

class IndexKeyFixtureTest : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(IndexKeyFixtureTest, LeafKeysEqualTheKeysOfTheirRows) {
    const FixtureCase& c = GetParam();
    auto db = Database::open(testing_support::fixture(c.file));
    const JetVersion version = db->version();
    const NumericKeyForm numericForm = isAce(version) ? NumericKeyForm::Ace : NumericKeyForm::Jet;
    size_t checked = 0;
    size_t textChecked = 0;
    size_t descendingChecked = 0;
    for (const CatalogObject* object : db->tables(true)) {
        auto table = db->tableAt(object->tdefPage(), object->name);
        for (size_t r = 0; r < table->realIndexes.size(); ++r) {
            const RealIndexDef& index = table->realIndexes[r];
            if (!indexIsCheckable(*table, index, version)) continue;
            bool hasText = false;
            bool hasDescending = false;
            for (const auto& col : index.columns) {
                const auto* column = table->columnByNumber(col.columnNumber);
                if (column->type == DataType::Text) {
                    hasText = true;
                    EXPECT_EQ(columnTextOrder(*column, version), c.textOrder) << column->name;
                }
                hasDescending = hasDescending || !col.ascending;
            }
            // The engine's cursor reads the leaves; the expected keys are
            // built here from the rows it reads.
            IndexDef logical;
            logical.name = "real index " + std::to_string(r);
            logical.realIndex = static_cast<int32_t>(r);
            IndexCursor cursor(*db, table, logical);
            for (bool ok = cursor.first(); ok; ok = cursor.next()) {
                std::vector<uint8_t> expected;
                for (const auto& col : index.columns) {
                    const ColumnDef& column = *table->columnByNumber(col.columnNumber);
                    appendIndexKey(
                        expected, cursor.values().at(fieldIndex(*table, col.columnNumber)),
                        column.type, col.ascending,
                        columnTextOrder(column, version).value_or(SortOrderKind::General97),
                        numericForm);
                }
                ASSERT_EQ(hex(cursor.key()), hex(expected))
                    << "table page " << table->tdefPage << ", row " << cursor.rowId().page << "/"
                    << int(cursor.rowId().row);
                ++checked;
                if (hasText) ++textChecked;
                if (hasDescending) ++descendingChecked;
            }
            // Every entry leads to a row of the table.
            EXPECT_EQ(cursor.staleEntries(), 0u) << "table page " << table->tdefPage;
        }
    }
    EXPECT_GE(checked, c.minEntries);
    EXPECT_GE(textChecked, c.minTextEntries);
    EXPECT_EQ(descendingChecked > 0, c.expectDescending);
}

INSTANTIATE_TEST_SUITE_P(
    AccessFiles, IndexKeyFixtureTest,
    ::testing::Values(
        // Text in many scripts and symbols, every fixed type, both directions.
        FixtureCase{"V1997/testIndexCodesV1997.mdb", SortOrderKind::General97, 3400, 2800, true},
        FixtureCase{"V1997/compIndexTestV1997.mdb", SortOrderKind::General97, 600, 20, true},
        FixtureCase{"V2000/indexTestV2000.mdb", SortOrderKind::GeneralLegacy, 240, 40, false},
        FixtureCase{"V2000/compIndexTestV2000.mdb", SortOrderKind::GeneralLegacy, 590, 15, true},
        FixtureCase{"V2000/testIndexPropertiesV2000.mdb", SortOrderKind::GeneralLegacy, 200, 100,
                    false},
        FixtureCase{"V2007/indexTestV2007.accdb", SortOrderKind::GeneralLegacy, 360, 70, false},
        FixtureCase{"V2010/indexTestV2010.accdb", SortOrderKind::General2010, 360, 70, false},
        FixtureCase{"V2010/compIndexTestV2010.accdb", SortOrderKind::General2010, 790, 50, true},
        // Binary columns in both directions.
        FixtureCase{"V2010/binIdxTestV2010.accdb", SortOrderKind::General2010, 540, 55, true}),
    [](const auto& param) {
        std::string name = param.param.file;
        name = name.substr(name.find('/') + 1);
        return name.substr(0, name.find('.'));
    });

// ---------------------------------------------------------------------------
// Ordering: keys of ascending values must ascend, of a descending column
// descend, nulls first (ascending) or last (descending).

std::vector<uint8_t> keyOf(const Value& v, DataType type, bool ascending,
                           NumericKeyForm form = NumericKeyForm::Ace,
                           SortOrderKind order = SortOrderKind::General2010) {
    std::vector<uint8_t> out;
    appendIndexKey(out, v, type, ascending, order, form);
    return out;
}

void expectOrdered(const std::vector<Value>& ascendingValues, DataType type,
                   NumericKeyForm form = NumericKeyForm::Ace) {
    for (bool ascending : {true, false}) {
        std::vector<std::vector<uint8_t>> keys;
        keys.push_back(keyOf(Value::null(), type, ascending, form));
        for (const auto& v : ascendingValues) keys.push_back(keyOf(v, type, ascending, form));
        // Null first in ascending columns, last in descending ones.
        for (size_t i = 1; i < keys.size(); ++i) {
            EXPECT_EQ(keys[i - 1] < keys[i], ascending)
                << dataTypeName(type) << (ascending ? " asc" : " desc") << " position " << i << ": "
                << hex(keys[i - 1]) << " / " << hex(keys[i]);
            EXPECT_NE(keys[i - 1], keys[i]);
        }
    }
}

Decimal decimal(bool negative, uint32_t low, uint32_t high = 0, uint8_t scale = 2) {
    Decimal d;
    d.negative = negative;
    d.scale = scale;
    d.magnitude = {low, high, 0, 0};
    return d;
}

TEST(IndexKeyOrderTest, NumbersSortLikeTheirValues) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        DataType type;
        std::vector<Value> values;
    };
    const std::vector<Case> cases = {
        {DataType::Byte,
         {Value::integer(0), Value::integer(1), Value::integer(127), Value::integer(128),
          Value::integer(255)}},
        {DataType::Integer,
         {Value::integer(-32768), Value::integer(-1), Value::integer(0), Value::integer(1),
          Value::integer(256), Value::integer(32767)}},
        {DataType::Long,
         {Value::integer(std::numeric_limits<int32_t>::min()), Value::integer(-65536),
          Value::integer(-1), Value::integer(0), Value::integer(255), Value::integer(256),
          Value::integer(std::numeric_limits<int32_t>::max())}},
        {DataType::BigInt,
         {Value::integer(std::numeric_limits<int64_t>::min()), Value::integer(-(int64_t{1} << 40)),
          Value::integer(-1), Value::integer(0), Value::integer(1),
          Value::integer(int64_t{1} << 40), Value::integer(std::numeric_limits<int64_t>::max())}},
        {DataType::Currency,
         {Value::currency(-1234567), Value::currency(-1), Value::currency(0),
          Value::currency(10000), Value::currency(int64_t{1} << 50)}},
        {DataType::Single,
         {Value::single(-3.5e30f), Value::single(-1.0f), Value::single(-1e-30f),
          Value::single(0.0f), Value::single(1e-30f), Value::single(0.5f), Value::single(2.0f),
          Value::single(3e38f)}},
        {DataType::Double,
         {Value::real(-inf), Value::real(-1e300), Value::real(-2.5), Value::real(-1e-300),
          Value::real(0.0), Value::real(1e-300), Value::real(1.0), Value::real(1.0000000001),
          Value::real(inf)}},
        {DataType::DateTime,
         {Value::dateTime(-693593.0), Value::dateTime(-1.5), Value::dateTime(0.0),
          Value::dateTime(0.25), Value::dateTime(45000.75), Value::dateTime(2958465.99)}},
        {DataType::Numeric,
         {Value::decimal(decimal(true, 0, 5)), Value::decimal(decimal(true, 7)),
          Value::decimal(decimal(true, 1)), Value::decimal(decimal(false, 0)),
          Value::decimal(decimal(false, 1)), Value::decimal(decimal(false, 9)),
          Value::decimal(decimal(false, 0, 1))}},
    };
    for (const auto& c : cases) expectOrdered(c.values, c.type);
}

TEST(IndexKeyOrderTest, JetNumericKeysKeepAccessDescendingFault) {
    // Jet 3 / Jet 4 files order Decimal values correctly when ascending, but
    // a descending column puts every negative value before every positive
    // one; the keys must reproduce that to match those files.
    const std::vector<Value> values = {
        Value::decimal(decimal(true, 50)), Value::decimal(decimal(true, 2)),
        Value::decimal(decimal(false, 3)), Value::decimal(decimal(false, 40))};
    std::vector<std::vector<uint8_t>> asc, desc;
    for (const auto& v : values) {
        asc.push_back(keyOf(v, DataType::Numeric, true, NumericKeyForm::Jet));
        desc.push_back(keyOf(v, DataType::Numeric, false, NumericKeyForm::Jet));
    }
    EXPECT_TRUE(std::is_sorted(asc.begin(), asc.end()));
    EXPECT_LT(desc[1], desc[0]);  // within the negatives: descending
    EXPECT_LT(desc[3], desc[2]);  // within the positives: descending
    EXPECT_LT(desc[0], desc[3]);  // but negatives before positives
    // ACE files use the corrected form.
    EXPECT_LT(keyOf(values[3], DataType::Numeric, false, NumericKeyForm::Ace),
              keyOf(values[0], DataType::Numeric, false, NumericKeyForm::Ace));
}

// (A zero-length binary value is keyed as its flag byte alone; whether Access
// orders it before longer values in descending indexes is not known, so it
// is left out.)
TEST(IndexKeyOrderTest, BinaryAndGuidSortBytewiseWithShorterFirst) {
    auto blob = [](std::initializer_list<uint8_t> b) { return Value::binary(Blob(b)); };
    expectOrdered({blob({0x00}), blob({0x00, 0x00}), blob({0x00, 0x01}),
                   blob({1, 2, 3, 4, 5, 6, 7, 8}), blob({1, 2, 3, 4, 5, 6, 7, 8, 0}),
                   blob({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}),
                   blob({1, 2, 3, 4, 5, 6, 7, 9}), blob({0xff})},
                  DataType::Binary);

    // GUIDs order by their written form: Data1 (stored little-endian) first.
    auto guid = [](uint8_t data1Low, uint8_t data1High, uint8_t last) {
        Guid g;
        g.bytes[0] = data1Low;
        g.bytes[3] = data1High;
        g.bytes[15] = last;
        return Value::guid(g);
    };
    expectOrdered({guid(0, 0, 0), guid(0, 0, 1), guid(0xff, 0, 0), guid(0, 1, 0)}, DataType::Guid);
}

// Extended Date/Time keys hold the value's 42 stored digits laid out as
// binary data: the keys of two rows of an Access 2019 file's ascending and
// descending indexes.
TEST(IndexKeyTextTest, ExtendedDateTimeKeysAccessMadeIndexesHold) {
    struct Case {
        ExtDateTime value;
        bool ascending;
        const char* key;
    };
    const Case cases[] = {
        {{36323, 459001234567},
         true,  // 0100-06-14 12:45:00.1234567
         "7f303030303030303009303030303030333609333233"
         "3a3030303009303030343539303009313233343536373a093700000000000000"
         "02"},
        {{737954, 819123456789},
         false,  // 2021-06-14 22:45:12.3456789
         "80cfcfcfcfcfcfcfcf09cfcfcfcfcfc8ccc809c6cacbc5cfcfcfcf09cfcfcfc7cec6cecd09"
         "cccbcac9c8c7c6c509c8fffffffffffffffd"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> key;
        appendIndexKey(key, Value::extDateTime(c.value), DataType::ExtDateTime, c.ascending,
                       SortOrderKind::General2010, NumericKeyForm::Ace);
        EXPECT_EQ(hex(key), c.key);
    }
    std::vector<uint8_t> null;
    appendIndexKey(null, Value::null(), DataType::ExtDateTime, true, SortOrderKind::General2010,
                   NumericKeyForm::Ace);
    EXPECT_EQ(hex(null), "00");
}

TEST(IndexKeyOrderTest, BooleanIsNeverNullAndTrueSortsFirst) {
    for (bool ascending : {true, false}) {
        const auto yes = keyOf(Value::boolean(true), DataType::Boolean, ascending);
        const auto no = keyOf(Value::boolean(false), DataType::Boolean, ascending);
        EXPECT_EQ(yes < no, ascending);
        EXPECT_EQ(keyOf(Value::null(), DataType::Boolean, ascending), no);
    }
}

TEST(IndexKeyOrderTest, TextSortsCaseInsensitivelyInEveryOrder) {
    const std::vector<std::string> words = {"",   "0",   "9", "a",     "A b", "aa",
                                            "AB", "abc", "b", "Zebra", "zoo"};
    for (auto order :
         {SortOrderKind::General97, SortOrderKind::GeneralLegacy, SortOrderKind::General2010}) {
        for (bool ascending : {true, false}) {
            std::vector<std::vector<uint8_t>> keys;
            for (const auto& w : words) {
                keys.push_back(
                    keyOf(Value::text(w), DataType::Text, ascending, NumericKeyForm::Ace, order));
            }
            for (size_t i = 1; i < keys.size(); ++i) {
                EXPECT_EQ(keys[i - 1] < keys[i], ascending)
                    << int(order) << " '" << words[i - 1] << "' vs '" << words[i] << "'";
            }
        }
        // The General sort orders ignore case: a unique text index treats
        // "abc" and "ABC" as the same value.
        EXPECT_EQ(encodeTextKey(u"abc", order), encodeTextKey(u"ABC", order));
        EXPECT_EQ(encodeTextKey(u"Zebra", order), encodeTextKey(u"zEBRA", order));
        EXPECT_NE(encodeTextKey(u"abc", order), encodeTextKey(u"abd", order));
    }
}

// Keys Access-made indexes hold for texts with ß (sorted as "ss"): each of
// its letters takes a position of its own, which moves the accent marks and
// the hyphen records after it (General legacy) and the run of significant
// letters before an accent (General 97).
TEST(IndexKeyTextTest, KeysAccessMadeIndexesHold) {
    auto hex = [](const std::vector<uint8_t>& bytes) {
        std::string out;
        char buffer[4];
        for (uint8_t b : bytes) {
            std::snprintf(buffer, sizeof buffer, "%02x ", b);
            out += buffer;
        }
        return out;
    };
    const SortOrderKind legacy = SortOrderKind::GeneralLegacy;
    const struct {
        SortOrderKind order;
        std::u16string text;
        std::string key;
    } cases[] = {
        {legacy, u"Heli S\u00fc\u00dfwaren GmbH & Co. KG",
         "57 51 5e 59 07 6b 6f 6b 6b 73 4a 69 51 62 07 55 60 4c 57 07 12 07 4d 64 1c 07 5c 55 01 "
         "02 02 02 02 02 02 13 00 "},
        {legacy, u"Plutzer Lebensmittelgro\u00dfm\u00e4rkte AG",
         "66 5e 6f 6d 78 51 69 07 5e 51 4c 51 62 6b 60 59 6d 6d 51 5e 55 69 64 6b 6b 60 4a 69 5c "
         "6d 51 07 4a 55 01 02 02 02 02 02 02 02 02 02 02 02 02 02 02 02 02 02 02 02 02 02 02 02 "
         "02 02 02 13 00 "},
        {legacy, u"NuNuCa Nu\u00df-Nougat-Creme",
         "62 6f 62 6f 4d 4a 07 62 6f 6b 6b 62 64 6f 55 4a 6d 4d 69 51 60 51 01 01 01 01 80 33 06 "
         "82 80 4b 06 82 00 "},
        {SortOrderKind::General97, u"Plutzer Lebensmittelgro\u00dfm\u00e4rkte AG",
         "73 6d 78 77 7e 66 75 11 6d 66 61 66 70 76 6f 6a 77 77 66 6d 68 75 72 76 76 6f 60 75 6c "
         "77 66 11 60 68 02 22 22 22 22 22 60 "},
    };
    for (const auto& c : cases) EXPECT_EQ(hex(encodeTextKey(c.text, c.order)), c.key);
    // General 97 keys NUL as the other control characters, as an Access 97
    // system table's name ending in NUL shows.
    EXPECT_EQ(hex(encodeTextKey(std::u16string(u"Lock") + u'\0', SortOrderKind::General97)),
              "6d 72 62 6c 10 00 ");
}

TEST(IndexKeyTextTest, TrailingSpacesAndCharactersPast255DoNotCount) {
    const std::u16string base(255, u'x');
    for (auto order :
         {SortOrderKind::General97, SortOrderKind::GeneralLegacy, SortOrderKind::General2010}) {
        EXPECT_EQ(encodeTextKey(u"abc   ", order), encodeTextKey(u"abc", order));
        EXPECT_NE(encodeTextKey(u"  abc", order), encodeTextKey(u"abc", order));
        EXPECT_EQ(encodeTextKey(base + u"yz", order), encodeTextKey(base, order));
        EXPECT_NE(encodeTextKey(base.substr(1) + u"y", order), encodeTextKey(base, order));
    }
}

TEST(IndexKeyTextTest, DescendingTextIsTheInvertedAscendingKey) {
    const std::u16string samples[] = {u"",         u"Hello",      u"\u00e9t\u00e9",
                                      u"a\u0001b", u"\U0001F600", u"\u4e00\u4e01"};
    for (auto order :
         {SortOrderKind::General97, SortOrderKind::GeneralLegacy, SortOrderKind::General2010}) {
        for (const auto& s : samples) {
            auto inverted = encodeTextKey(s, order);
            for (auto& b : inverted) b = static_cast<uint8_t>(~b);
            // General legacy and 2010 close a descending key with one more 0x00.
            if (order != SortOrderKind::General97) inverted.push_back(0x00);
            std::vector<uint8_t> descending;
            appendTextKey(descending, s, order, false);
            EXPECT_EQ(hex(descending), hex(inverted)) << int(order);
        }
    }
}

TEST(IndexKeyTest, RejectsValuesThatDoNotFitTheColumn) {
    struct Case {
        Value value;
        DataType type;
        ErrorCode code;
    };
    const std::vector<Case> cases = {
        {Value::text("1"), DataType::Long, ErrorCode::InvalidArgument},
        {Value::integer(256), DataType::Byte, ErrorCode::InvalidArgument},
        {Value::integer(-1), DataType::Byte, ErrorCode::InvalidArgument},
        {Value::integer(40000), DataType::Integer, ErrorCode::InvalidArgument},
        {Value::integer(int64_t{1} << 31), DataType::Long, ErrorCode::InvalidArgument},
        {Value::real(1.0), DataType::Single, ErrorCode::InvalidArgument},
        {Value::integer(1), DataType::Text, ErrorCode::InvalidArgument},
        {Value::binary({1}), DataType::LongBinary, ErrorCode::Unsupported},
        {Value::null(), DataType::Complex, ErrorCode::Unsupported},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> out;
        try {
            appendIndexKey(out, c.value, c.type, true, SortOrderKind::General2010,
                           NumericKeyForm::Ace);
            ADD_FAILURE() << dataTypeName(c.type) << ": no error";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), c.code) << dataTypeName(c.type) << ": " << e.what();
        }
    }
}

}  // namespace
}  // namespace jet

namespace jet {
namespace {

// Keys made from UTF-8 (ASCII text straight from its bytes) equal those made
// from UTF-16, in every sort order and direction.
TEST(TextKeyOfUtf8Test, EqualsTheKeyOfTheSameTextInUtf16) {
    const std::string texts[] = {
        "",
        "abc",
        "ABC xyz",
        "trailing   ",
        "   leading",
        "a-b's c",
        "line\nbreak",
        "tab\there",
        "Grüße",
        "Nuß-Nougat",
        "æble",
        "日本語",
        std::string(300, 'x'),
        std::string(254, 'y') + "é",
        "#$%&()*+,-./:;<=>?@[]^_`{|}~",
    };
    for (SortOrderKind kind :
         {SortOrderKind::General97, SortOrderKind::GeneralLegacy, SortOrderKind::General2010}) {
        for (bool ascending : {true, false}) {
            for (const std::string& text : texts) {
                SCOPED_TRACE(text.substr(0, 20) + (ascending ? " asc" : " desc"));
                std::vector<uint8_t> fromUtf8, fromUtf16;
                appendTextKeyOfUtf8(fromUtf8, text, kind, ascending);
                appendTextKey(fromUtf16, utf8ToUtf16(text), kind, ascending);
                EXPECT_EQ(fromUtf8, fromUtf16);
            }
        }
    }
}

}  // namespace
}  // namespace jet
