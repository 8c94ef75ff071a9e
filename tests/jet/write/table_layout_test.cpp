// The layout of a new table against the layout Access gave the same table:
// each user table of the fixtures that holds only creatable column types is
// described again as a TableSpec, laid out, and compared field by field with
// the definition Access wrote. Then the refusals, one case each.
#include "jet/write/table_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "jet/catalog/database.h"
#include "jet/catalog/type_codes.h"
#include "support/fixtures.h"

using namespace jet;

namespace {

bool isCreatable(const ColumnDef& c) {
    switch (c.type) {
        case DataType::Numeric:
        case DataType::Complex:
        case DataType::ExtDateTime:
        case DataType::BigInt:
            return false;
        case DataType::Text:
        case DataType::Binary:
            return !c.isFixed() && c.length > 0;  // no fixed-length text
        default:
            return c.isFixed() || isLongValueType(c.type);  // no variable Long
    }
}

// Tables we can describe again: every column creatable, numbered 0..n-1
// without gaps left by deleted columns, and sorting by the database's sort
// order (a column set to another language, or a table written by a program
// other than Access that stores no sort order on non-text columns, is not
// what Access makes for a new table).
bool isRebuildable(const TableDef& t, const SortOrder& databaseOrder) {
    for (size_t i = 0; i < t.columns.size(); ++i) {
        const ColumnDef& c = t.columns[i];
        if (c.number != i || !isCreatable(c) || c.sortLcid != databaseOrder.lcid) return false;
    }
    return t.maxColumns == t.columns.size() && !t.columns.empty();
}

TableSpec specFrom(const TableDef& t, JetVersion v) {
    TableSpec spec;
    spec.name = t.name;
    for (const ColumnDef& c : t.columns) {
        ColumnSpec s;
        s.name = c.name;
        s.daoType = daoTypeCode(c);
        if (c.type == DataType::Text) s.size = isJet3(v) ? c.length : c.length / 2;
        if (c.type == DataType::Binary) s.size = c.length;
        s.autoIncrement = c.isAutoNumber();
        spec.columns.push_back(s);
    }
    std::vector<const IndexDef*> byNumber;
    for (const IndexDef& x : t.indexes) byNumber.push_back(&x);
    std::sort(byNumber.begin(), byNumber.end(),
              [](const IndexDef* a, const IndexDef* b) { return a->number < b->number; });
    for (const IndexDef* x : byNumber) {
        const RealIndexDef& r = t.realIndexOf(*x);
        IndexSpec s;
        s.name = x->name;
        for (const IndexColumn& ic : r.columns) {
            s.columns.emplace_back(t.columnByNumber(ic.columnNumber)->name, ic.ascending);
        }
        s.primary = x->isPrimaryKey();
        s.foreignKey = x->isForeignKey();
        s.unique = (r.flags & kIndexUnique) != 0;
        s.ignoreNulls = (r.flags & kIndexIgnoreNulls) != 0;
        s.required = (r.flags & kIndexRequired) != 0;
        spec.indexes.push_back(s);
    }
    return spec;
}

// One line per column and index with everything the layout decides. The
// offset of a variable column is left out: Access leaves an unrelated value
// there that readers ignore, where we write 0. Logical index numbers are
// shown as their rank, as a deleted index leaves a gap in Access's numbers.
std::string describe(const TableDef& t) {
    std::ostringstream out;
    out << "max " << t.maxColumns << " var " << t.varColumnCount << "\n";
    for (const ColumnDef& c : t.columns) {
        out << c.name << " type " << int(c.type) << " num " << c.number << " var " << c.varIndex
            << " fixed " << (c.isFixed() ? c.fixedOffset : 0) << " len " << c.length << " flags "
            << int(c.flags) << " sort " << c.sortLcid << "/" << int(c.sortVersion) << " cp "
            << c.codePage << "\n";
    }
    for (const RealIndexDef& r : t.realIndexes) {
        out << "real flags " << int(r.flags) << " cols";
        for (const IndexColumn& ic : r.columns)
            out << " " << ic.columnNumber << (ic.ascending ? "" : "d");
        out << "\n";
    }
    std::vector<int32_t> numbers;
    for (const IndexDef& x : t.indexes) numbers.push_back(x.number);
    std::sort(numbers.begin(), numbers.end());
    for (const IndexDef& x : t.indexes) {
        auto rank = std::lower_bound(numbers.begin(), numbers.end(), x.number) - numbers.begin();
        out << "index " << x.name << " rank " << rank << " real " << x.realIndex << " kind "
            << int(x.kind) << "\n";
    }
    return out.str();
}

TEST(TableLayout, MatchesWhatAccessLaidOutForEveryRebuildableFixtureTable) {
    int compared = 0;
    std::map<JetVersion, int> perVersion;
    for (const std::string& file : testing_support::allFixtures()) {
        if (file.rfind("encrypted/", 0) == 0) continue;
        auto db = Database::open(testing_support::fixture(file).string());
        for (const CatalogObject* o : db->tables(false)) {
            auto def = db->table(o->name);
            if (!isRebuildable(*def, db->header().sortOrder)) continue;
            SCOPED_TRACE(file + " " + o->name);
            TableDef laidOut =
                layoutTable(specFrom(*def, db->version()), db->version(), db->header().sortOrder);
            EXPECT_EQ(describe(laidOut), describe(*def));
            ++compared;
            ++perVersion[db->version()];
        }
    }
    // Guards against the filter silently excluding everything.
    EXPECT_GE(compared, 100);
    for (JetVersion v :
         {JetVersion::Jet3, JetVersion::Jet4, JetVersion::Ace12, JetVersion::Ace14}) {
        EXPECT_GE(perVersion[v], 8) << formatName(v);
    }
}

ColumnSpec column(const std::string& name, int daoType, int size = 0, bool autoIncrement = false) {
    ColumnSpec c;
    c.name = name;
    c.daoType = daoType;
    c.size = size;
    c.autoIncrement = autoIncrement;
    return c;
}

IndexSpec index(const std::string& name, std::vector<std::string> columns, bool primary = false) {
    IndexSpec x;
    x.name = name;
    for (auto& c : columns) x.columns.emplace_back(c, true);
    x.primary = primary;
    return x;
}

TEST(ColumnTypes, EachCreatableTypeAsAccessStoresIt) {
    struct Case {
        int daoType;
        int size;
        bool autoIncrement;
        JetVersion v;
        DataType type;
        uint16_t length;
        uint8_t flags;
        bool compressed;
        uint8_t sortVersion;
        uint16_t codePage;
    };
    const JetVersion j3 = JetVersion::Jet3, j4 = JetVersion::Jet4, a14 = JetVersion::Ace14;
    const Case cases[] = {
        {kDaoText, 0, false, j4, DataType::Text, 100, 0x02, true, 0, 0},
        {kDaoText, 0, false, j3, DataType::Text, 50, 0x02, false, 0, 1250},
        {kDaoText, 255, false, a14, DataType::Text, 510, 0x02, true, 1, 0},
        {kDaoText, 1, false, j3, DataType::Text, 1, 0x02, false, 0, 1250},
        {kDaoMemo, 0, false, a14, DataType::Memo, 0, 0x02, true, 1, 0},
        {kDaoMemo, 0, false, j3, DataType::Memo, 0, 0x02, false, 0, 1250},
        {kDaoBoolean, 0, false, j4, DataType::Boolean, 1, 0x03, false, 0, 0},
        {kDaoByte, 0, false, j4, DataType::Byte, 1, 0x03, false, 0, 0},
        {kDaoInteger, 0, false, j4, DataType::Integer, 2, 0x03, false, 0, 0},
        {kDaoLong, 0, false, j4, DataType::Long, 4, 0x03, false, 0, 0},
        {kDaoLong, 0, true, a14, DataType::Long, 4, 0x07, false, 0, 0},
        {kDaoBigInt, 0, false, JetVersion::Ace16, DataType::BigInt, 8, 0x03, false, 0, 0},
        {kDaoCurrency, 0, false, j4, DataType::Currency, 8, 0x03, false, 0, 0},
        {kDaoSingle, 0, false, j4, DataType::Single, 4, 0x03, false, 0, 0},
        {kDaoDouble, 0, false, j3, DataType::Double, 8, 0x03, false, 0, 1250},
        {kDaoDate, 0, false, a14, DataType::DateTime, 8, 0x03, false, 0, 0},
        {kDaoBinary, 0, false, j4, DataType::Binary, 510, 0x02, false, 0, 0},
        {kDaoBinary, 0, false, j3, DataType::Binary, 255, 0x02, false, 0, 1250},
        {kDaoBinary, 16, false, a14, DataType::Binary, 16, 0x02, false, 0, 0},
        {kDaoLongBinary, 0, false, j4, DataType::LongBinary, 0, 0x02, false, 0, 0},
        {kDaoGuid, 0, false, j4, DataType::Guid, 16, 0x03, false, 0, 0},
        {kDaoGuid, 0, true, j4, DataType::Guid, 16, 0x43, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("DAO type " + std::to_string(c.daoType) + " size " + std::to_string(c.size) +
                     " in " + formatName(c.v));
        ColumnSpec spec = column("c", c.daoType, c.size, c.autoIncrement);
        // Czech (1250) shows which code page Jet 3 columns get.
        SortOrder order{1029, static_cast<uint8_t>(c.v >= JetVersion::Ace14 ? 1 : 0)};
        ColumnDef d = columnDefFor(spec, c.v, order);
        EXPECT_EQ(d.type, c.type);
        EXPECT_EQ(d.length, c.length);
        EXPECT_EQ(d.flags, c.flags);
        EXPECT_EQ(d.compressedUnicode, c.compressed);
        EXPECT_EQ(d.sortLcid, 1029);
        EXPECT_EQ(d.sortVersion, c.sortVersion);
        EXPECT_EQ(d.codePage, c.codePage);
    }
}

TEST(ColumnTypes, RefusesTypesSizesAndAutoNumbersAccessRefuses) {
    struct Case {
        int daoType;
        int size;
        bool autoIncrement;
        JetVersion v;
        const char* message;
    };
    const Case cases[] = {
        {kDaoBigInt, 0, false, JetVersion::Ace14, "Invalid field data type."},
        {kDaoBigInt, 0, false, JetVersion::Jet4, "Invalid field data type."},
        {kDaoDecimal, 0, false, JetVersion::Jet4, "Invalid field data type."},
        {kDaoAttachment, 0, false, JetVersion::Ace14, "Invalid field data type."},
        {99, 0, false, JetVersion::Jet4, "Invalid field data type."},
        {kDaoText, 256, false, JetVersion::Jet4,
         "The setting for the FieldSize property must be from 1 through 255."},
        {kDaoText, -1, false, JetVersion::Jet4,
         "The setting for the FieldSize property must be from 1 through 255."},
        {kDaoBinary, 511, false, JetVersion::Ace14,
         "The setting for the FieldSize property must be from 1 through 510."},
        {kDaoBinary, 256, false, JetVersion::Jet3,
         "The setting for the FieldSize property must be from 1 through 255."},
        {kDaoText, 10, true, JetVersion::Jet4, "Invalid field data type."},
        {kDaoInteger, 0, true, JetVersion::Jet4, "Invalid field data type."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("DAO type " + std::to_string(c.daoType) + " size " + std::to_string(c.size));
        try {
            columnDefFor(column("c", c.daoType, c.size, c.autoIncrement), c.v, SortOrder{});
            ADD_FAILURE() << "accepted";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), ErrorCode::InvalidArgument);
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

TEST(TableLayout, FixedColumnsPackInColumnOrderAndYesNoTakesNoBytes) {
    TableSpec spec{
        "Mixed",
        {column("id", kDaoLong, 0, true), column("name", kDaoText, 20), column("flag", kDaoBoolean),
         column("price", kDaoCurrency), column("notes", kDaoMemo), column("small", kDaoByte),
         column("key", kDaoGuid), column("raw", kDaoBinary, 8)},
        {index("PrimaryKey", {"id"}, true), index("ByName", {"name"})}};
    TableDef t = layoutTable(spec, JetVersion::Jet4, SortOrder{1033, 0});
    struct Expect {
        uint16_t varIndex, fixedOffset, length;
        uint8_t flags;
    };
    const Expect expected[] = {{0, 0, 4, 0x07},   {0, 0, 40, 0x02}, {1, 0, 1, 0x03},
                               {1, 4, 8, 0x03},   {1, 0, 0, 0x02},  {2, 12, 1, 0x03},
                               {2, 13, 16, 0x03}, {2, 0, 8, 0x02}};
    ASSERT_EQ(t.columns.size(), std::size(expected));
    for (size_t i = 0; i < t.columns.size(); ++i) {
        SCOPED_TRACE(t.columns[i].name);
        EXPECT_EQ(t.columns[i].number, i);
        EXPECT_EQ(t.columns[i].varIndex, expected[i].varIndex);
        EXPECT_EQ(t.columns[i].fixedOffset, expected[i].fixedOffset);
        EXPECT_EQ(t.columns[i].length, expected[i].length);
        EXPECT_EQ(t.columns[i].flags, expected[i].flags);
    }
    EXPECT_EQ(t.varColumnCount, 3);
    // Listed by name, numbered in the order given.
    ASSERT_EQ(t.indexes.size(), 2u);
    EXPECT_EQ(t.indexes[0].name, "ByName");
    EXPECT_EQ(t.indexes[0].number, 1);
    EXPECT_EQ(t.indexes[1].number, 0);
    EXPECT_EQ(t.realIndexes[0].flags, 0x89);
    EXPECT_EQ(t.realIndexes[1].flags, 0x80);
}

TEST(TableLayout, IndexesShareDataOnlyWithSameColumnsAndFlags) {
    IndexSpec fk = index("Orders.rC", {"id"});
    fk.foreignKey = true;
    IndexSpec uniqueFk = index("Other.rC", {"id"});
    uniqueFk.foreignKey = true;
    uniqueFk.unique = true;
    IndexSpec unique = index("UniqueName", {"name"});
    unique.unique = true;
    IndexSpec descending = index("NameDown", {});
    descending.columns.emplace_back("name", false);
    TableSpec spec{"T",
                   {column("id", kDaoLong), column("name", kDaoText)},
                   {index("PrimaryKey", {"id"}, true), index("id", {"id"}), fk, uniqueFk,
                    index("name", {"name"}), index("name2", {"name"}), unique, descending}};
    TableDef t = layoutTable(spec, JetVersion::Ace14, SortOrder{1033, 1});
    std::map<std::string, int32_t> realOf;
    for (const IndexDef& x : t.indexes) realOf[x.name] = x.realIndex;
    EXPECT_EQ(realOf["PrimaryKey"], 0);
    EXPECT_EQ(realOf["id"], 1);         // same column, not unique: its own data
    EXPECT_EQ(realOf["Orders.rC"], 1);  // a foreign key takes its twin if there is one,
    EXPECT_EQ(realOf["Other.rC"], 0);   // else the first index of its columns
    EXPECT_EQ(realOf["name"], 2);
    EXPECT_EQ(realOf["name2"], 2);       // same columns and flags: shared
    EXPECT_EQ(realOf["UniqueName"], 3);  // different flags
    EXPECT_EQ(realOf["NameDown"], 4);    // different direction
    EXPECT_EQ(t.realIndexes.size(), 5u);
}

TEST(TableLayout, RefusesWhatAccessRefuses) {
    auto base = [] {
        return TableSpec{"T",
                         {column("a", kDaoLong), column("b", kDaoText), column("m", kDaoMemo),
                          column("o", kDaoLongBinary)},
                         {}};
    };
    struct Case {
        const char* what;
        TableSpec spec;
        JetVersion version;
        const char* message;
    };
    std::vector<Case> cases;
    cases.push_back({"bad table name", TableSpec{"a.b", {column("a", kDaoLong)}, {}},
                     JetVersion::Jet4,
                     "'a.b' isn't a valid name. Make sure that it doesn't include invalid "
                     "characters or punctuation and that it isn't too long."});
    cases.push_back({"no columns", TableSpec{"T", {}, {}}, JetVersion::Jet4,
                     "No field defined--cannot append TableDef or Index."});
    {
        TableSpec s = base();
        s.columns.push_back(column("B", kDaoLong));
        cases.push_back(
            {"duplicate column", s, JetVersion::Jet4, "Field 'B' already exists in table 'T'."});
    }
    {
        TableSpec s{"T", {}, {}};
        for (int i = 0; i < 256; ++i)
            s.columns.push_back(column("c" + std::to_string(i), kDaoLong));
        cases.push_back({"256 columns", s, JetVersion::Jet4, "Too many fields defined."});
    }
    {
        TableSpec s = base();
        s.columns.push_back(column("n1", kDaoLong, 0, true));
        s.columns.push_back(column("n2", kDaoLong, 0, true));
        cases.push_back({"two AutoNumbers", s, JetVersion::Jet4,
                         "Resultant table not allowed to have more than one AutoNumber field."});
    }
    {
        TableSpec s = base();
        s.indexes = {index("i", {"zz"})};
        cases.push_back({"missing column", s, JetVersion::Jet4,
                         "Invalid field definition 'zz' in definition of index or relationship."});
    }
    {
        TableSpec s = base();
        s.indexes = {index("i", {})};
        cases.push_back({"index without columns", s, JetVersion::Jet4,
                         "No field defined--cannot append TableDef or Index."});
    }
    {
        TableSpec s{"T", {}, {index("wide", {})}};
        for (int i = 0; i < 11; ++i) {
            s.columns.push_back(column("c" + std::to_string(i), kDaoLong));
            s.indexes[0].columns.emplace_back("c" + std::to_string(i), true);
        }
        cases.push_back({"11 index columns", s, JetVersion::Jet4,
                         "Can't have more than 10 fields in an index."});
    }
    {
        TableSpec s = base();
        s.indexes = {index("p1", {"a"}, true), index("p2", {"b"}, true)};
        cases.push_back({"two primary keys", s, JetVersion::Jet4, "Primary key already exists."});
    }
    {
        TableSpec s = base();
        for (int i = 0; i < 33; ++i) s.indexes.push_back(index("i" + std::to_string(i), {"a"}));
        cases.push_back({"33 indexes", s, JetVersion::Jet4,
                         "The operation failed. There are too many indexes on table 'T'. Delete "
                         "some of the indexes on the table and try the operation again."});
    }
    {
        TableSpec s = base();
        s.indexes = {index("i", {"a"}), index("I", {"b"})};
        cases.push_back(
            {"duplicate index", s, JetVersion::Jet4, "Table 'T' already has an index named 'I'."});
    }
    {
        TableSpec s = base();
        s.indexes = {index("i", {"o"})};
        cases.push_back({"OLE index", s, JetVersion::Ace14, "Invalid index definition."});
        s.indexes = {index("i", {"m"})};
        cases.push_back(
            {"Memo index before ACE", s, JetVersion::Jet4, "Invalid index definition."});
        s.indexes = {index("i", {"a", "A"})};
        cases.push_back({"column twice", s, JetVersion::Jet4, "Invalid index definition."});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            layoutTable(c.spec, c.version, SortOrder{1033, 0});
            ADD_FAILURE() << "accepted";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), ErrorCode::InvalidArgument);
            EXPECT_STREQ(e.what(), c.message);
        }
    }
    TableSpec memoIndexed = base();
    memoIndexed.indexes = {index("i", {"m"})};
    EXPECT_NO_THROW(layoutTable(memoIndexed, JetVersion::Ace12, SortOrder{1033, 0}));
}

}  // namespace
