// Definitions of the system tables the engine creates in a new database.
// Layouts (column numbers, variable-offset slots, fixed offsets, flags, index
// flags) are those of the engine-made and Access-made files of each version.
#include <algorithm>

#include "jet/error.h"
#include "jet/util/names.h"
#include "jet/write/system_catalog_internal.h"

namespace jet {

namespace {

// Column flags the engine gives its catalogue columns: fixed-width ones
// 0x13, variable-width ones 0x12; the SID columns (Owner, SID) carry 0x20 as
// well, whatever it means.
constexpr uint8_t kSysFixed = 0x13;
constexpr uint8_t kSysVariable = 0x12;
constexpr uint8_t kSysSid = 0x32;
// The complex-column tables of ACE use the plain user-table flags.
constexpr uint8_t kPlainFixed = 0x03;
constexpr uint8_t kPlainVariable = 0x02;
constexpr uint8_t kAutoLongFixed = 0x17;

// Jet 4 and ACE set 0x80 on every index of a system table; Jet 3 does not.
uint8_t indexFlags(JetVersion v, uint8_t flags) {
    return isJet3(v) ? flags : static_cast<uint8_t>(flags | 0x80);
}

class TableBuilder {
public:
    TableBuilder(JetVersion v, const SortOrder& sort, uint16_t jet3CodePage, std::string name,
                 uint8_t tableType)
        : v_(v), sort_(sort), codePage_(jet3CodePage) {
        def_.name = std::move(name);
        def_.tableType = tableType;
    }

    // Text and Binary columns are 255 bytes in Jet 3 (code-page text) and
    // 510 bytes (255 UTF-16 characters) later.
    uint16_t shortVarLength() const { return isJet3(v_) ? 255 : 510; }

    TableBuilder& fixed(std::string name, DataType type, uint16_t varIndex, uint16_t offset,
                        uint16_t length, uint8_t flags = kSysFixed) {
        return add(std::move(name), type, varIndex, offset, length, flags);
    }
    TableBuilder& variable(std::string name, DataType type, uint16_t varIndex,
                           uint8_t flags = kSysVariable) {
        uint16_t length = 0;
        if (type == DataType::Text || type == DataType::Binary) length = shortVarLength();
        return add(std::move(name), type, varIndex, 0, length, flags);
    }
    // The numeric column of MSysComplexType_Decimal: stored as a variable
    // column of 9 bytes, precision 18, scale 0.
    TableBuilder& decimalVariable(std::string name, uint16_t varIndex) {
        add(std::move(name), DataType::Numeric, varIndex, 0, 9, kPlainVariable);
        def_.columns.back().precision = 18;
        return *this;
    }
    // A real index over `columns` (column numbers, ascending).
    TableBuilder& realIndex(std::vector<uint16_t> columns, uint8_t flags) {
        RealIndexDef r;
        for (uint16_t c : columns) r.columns.push_back(IndexColumn{c, true});
        r.flags = indexFlags(v_, flags);
        def_.realIndexes.push_back(std::move(r));
        return *this;
    }
    // Logical indexes are listed in the order the engine stores them (by
    // name), each naming its own number and its real index.
    TableBuilder& index(std::string name, int32_t number, int32_t realIndex, uint8_t kind = 0) {
        IndexDef x;
        x.name = std::move(name);
        x.number = number;
        x.realIndex = realIndex;
        x.kind = kind;
        def_.indexes.push_back(std::move(x));
        return *this;
    }
    // Every column entry of the table carries these extra-flag bits (0x10 on
    // the attachment table of ACE; meaning unknown).
    TableBuilder& extFlags(uint8_t bits) {
        for (auto& c : def_.columns) c.otherExtFlags = bits;
        return *this;
    }
    SystemTable done() {
        uint16_t variable = 0;
        for (const auto& c : def_.columns) {
            if (!c.isFixed()) ++variable;
        }
        def_.maxColumns = static_cast<uint16_t>(def_.columns.size());
        def_.varColumnCount = variable;
        // From Jet 4 on the engine stores the column entries of its tables
        // sorted by name; Jet 3 by number (an empty order).
        if (isJet3(v_)) return SystemTable{std::move(def_), {}};
        std::vector<const ColumnDef*> byName;
        for (const auto& c : def_.columns) byName.push_back(&c);
        std::stable_sort(byName.begin(), byName.end(), [](const ColumnDef* a, const ColumnDef* b) {
            return foldName(a->name) < foldName(b->name);
        });
        for (const ColumnDef* c : byName) def_.definitionOrder.push_back(c->number);
        return SystemTable{std::move(def_), {}};
    }

private:
    TableBuilder& add(std::string name, DataType type, uint16_t varIndex, uint16_t offset,
                      uint16_t length, uint8_t flags) {
        ColumnDef c;
        c.name = std::move(name);
        c.type = type;
        c.number = static_cast<uint16_t>(def_.columns.size());
        c.varIndex = varIndex;
        c.fixedOffset = offset;
        c.length = length;
        c.flags = flags;
        // The entries of a new database's system tables repeat 0 where user
        // tables repeat the column number.
        c.numberCopy = 0;
        // The engine stores the database's sort order (and in Jet 3 its code
        // page) in every column entry, not only in text ones; a Numeric
        // column has its precision and scale in those bytes instead.
        if (type != DataType::Numeric && type != DataType::Complex) {
            c.sortLcid = sort_.lcid;
            c.sortVersion = isJet3(v_) ? 0 : sort_.version;
            if (isJet3(v_)) c.codePage = codePage_;
        }
        def_.columns.push_back(std::move(c));
        return *this;
    }

    JetVersion v_;
    SortOrder sort_;
    uint16_t codePage_;
    TableDef def_;
};

constexpr uint8_t kSystemTable = 0x53;
constexpr uint8_t kUserTable = 0x4e;

SystemTable msysObjects(JetVersion v, const SortOrder& s, uint16_t cp) {
    return TableBuilder(v, s, cp, "MSysObjects", kSystemTable)
        .fixed("Id", DataType::Long, 0, 0, 4)
        .fixed("ParentId", DataType::Long, 0, 4, 4)
        .variable("Name", DataType::Text, 0)
        .fixed("Type", DataType::Integer, 1, 8, 2)
        .fixed("DateCreate", DataType::DateTime, 1, 10, 8)
        .fixed("DateUpdate", DataType::DateTime, 1, 18, 8)
        .variable("Owner", DataType::Binary, 1, kSysSid)
        .fixed("Flags", DataType::Long, 2, 26, 4)
        .variable("Database", DataType::Memo, 2)
        .variable("Connect", DataType::Memo, 3)
        .variable("ForeignName", DataType::Text, 4)
        .variable("RmtInfoShort", DataType::Binary, 5)
        .variable("RmtInfoLong", DataType::LongBinary, 6)
        .variable("Lv", DataType::LongBinary, 7)
        .variable("LvProp", DataType::LongBinary, 8)
        .variable("LvModule", DataType::LongBinary, 9)
        .variable("LvExtra", DataType::LongBinary, 10)
        .realIndex({1, 2}, kIndexUnique)
        .realIndex({0}, kIndexUnique)
        .index("Id", 1, 1, 1)
        .index("ParentIdName", 0, 0)
        .done();
}

SystemTable msysAces(JetVersion v, const SortOrder& s, uint16_t cp) {
    return TableBuilder(v, s, cp, "MSysACEs", kSystemTable)
        .fixed("ObjectId", DataType::Long, 0, 0, 4)
        .variable("SID", DataType::Binary, 0, kSysSid)
        .fixed("ACM", DataType::Long, 1, 4, 4)
        .fixed("FInheritable", DataType::Boolean, 1, 0, 1)
        .realIndex({0}, kIndexRequired)
        .index("ObjectId", 0, 0)
        .done();
}

SystemTable msysQueries(JetVersion v, const SortOrder& s, uint16_t cp) {
    TableBuilder b(v, s, cp, "MSysQueries", kSystemTable);
    b.fixed("ObjectId", DataType::Long, 0, 0, 4)
        .fixed("Attribute", DataType::Byte, 0, 4, 1)
        .variable("Order", DataType::Binary, 0)
        .variable("Name1", DataType::Text, 1)
        .variable("Name2", DataType::Text, 2)
        .variable("Expression", DataType::Memo, 3)
        .fixed("Flag", DataType::Integer, 4, 5, 2);
    // Jet 3 has no LvExtra column.
    if (!isJet3(v)) b.fixed("LvExtra", DataType::Long, 4, 7, 4);
    return b.realIndex({0, 1, 2}, kIndexUnique).index("ObjectIdAttribute", 0, 0, 1).done();
}

SystemTable msysRelationships(JetVersion v, const SortOrder& s, uint16_t cp) {
    return TableBuilder(v, s, cp, "MSysRelationships", kSystemTable)
        .variable("szRelationship", DataType::Text, 0)
        .fixed("grbit", DataType::Long, 1, 0, 4)
        .fixed("ccolumn", DataType::Long, 1, 4, 4)
        .fixed("icolumn", DataType::Long, 1, 8, 4)
        .variable("szObject", DataType::Text, 1)
        .variable("szColumn", DataType::Text, 2)
        .variable("szReferencedObject", DataType::Text, 3)
        .variable("szReferencedColumn", DataType::Text, 4)
        .realIndex({0}, kIndexIgnoreNulls)
        .realIndex({4}, kIndexIgnoreNulls)
        .realIndex({6}, kIndexIgnoreNulls)
        .index("szObject", 1, 1)
        .index("szReferencedObject", 2, 2)
        .index("szRelationship", 0, 0)
        .done();
}

// ACE: the table of complex columns and the flat tables of the multi-value
// types. They are user tables by type (0x4e) and system tables by their
// catalogue flags.
SystemTable msysComplexColumns(JetVersion v, const SortOrder& s) {
    return TableBuilder(v, s, 0, "MSysComplexColumns", kUserTable)
        .variable("ColumnName", DataType::Text, 0)
        .fixed("ComplexTypeObjectID", DataType::Long, 1, 0, 4)
        .fixed("FlatTableID", DataType::Long, 1, 4, 4)
        .fixed("ConceptualTableID", DataType::Long, 1, 8, 4)
        .fixed("ComplexID", DataType::Long, 1, 12, 4, kAutoLongFixed)
        .realIndex({4}, kIndexUnique | kIndexIgnoreNulls | kIndexRequired)
        .realIndex({3}, kIndexIgnoreNulls | kIndexRequired)
        .realIndex({2}, kIndexIgnoreNulls | kIndexRequired)
        .index("IdxConceptualTableID", 1, 1)
        .index("IdxFlatTableID", 2, 2)
        .index("IdxID", 0, 0, 1)
        .done();
}

SystemTable complexType(JetVersion v, const SortOrder& s, const char* suffix, DataType type,
                        uint16_t length) {
    return TableBuilder(v, s, 0, std::string("MSysComplexType_") + suffix, kUserTable)
        .fixed("Value", type, 0, 0, length, kPlainFixed)
        .done();
}

SystemTable complexTypeDecimal(JetVersion v, const SortOrder& s) {
    return TableBuilder(v, s, 0, "MSysComplexType_Decimal", kUserTable)
        .decimalVariable("Value", 0)
        .done();
}

SystemTable complexTypeText(JetVersion v, const SortOrder& s) {
    return TableBuilder(v, s, 0, "MSysComplexType_Text", kUserTable)
        .variable("Value", DataType::Text, 0, kPlainVariable)
        .done();
}

SystemTable complexTypeAttachment(JetVersion v, const SortOrder& s) {
    return TableBuilder(v, s, 0, "MSysComplexType_Attachment", kUserTable)
        .variable("FileURL", DataType::Memo, 0, kPlainVariable)
        .variable("FileName", DataType::Text, 1, kPlainVariable)
        .variable("FileType", DataType::Text, 2, kPlainVariable)
        .variable("FileData", DataType::LongBinary, 3, kPlainVariable)
        .fixed("FileTimeStamp", DataType::DateTime, 4, 0, 8, kPlainFixed)
        .fixed("FileFlags", DataType::Long, 4, 8, 4, kPlainFixed)
        .extFlags(0x10)
        .done();
}

}  // namespace

std::vector<SystemTable> systemTableDefinitions(JetVersion v, const SortOrder& sort,
                                                uint16_t jet3CodePage) {
    if (v > JetVersion::Ace17) throw Error(ErrorCode::InvalidArgument, "Unknown format version.");
    std::vector<SystemTable> out;
    out.push_back(msysObjects(v, sort, jet3CodePage));
    out.push_back(msysAces(v, sort, jet3CodePage));
    out.push_back(msysQueries(v, sort, jet3CodePage));
    out.push_back(msysRelationships(v, sort, jet3CodePage));
    if (!isAce(v)) return out;
    out.push_back(msysComplexColumns(v, sort));
    out.push_back(complexType(v, sort, "UnsignedByte", DataType::Byte, 1));
    out.push_back(complexType(v, sort, "Short", DataType::Integer, 2));
    out.push_back(complexType(v, sort, "Long", DataType::Long, 4));
    out.push_back(complexType(v, sort, "IEEESingle", DataType::Single, 4));
    out.push_back(complexType(v, sort, "IEEEDouble", DataType::Double, 8));
    out.push_back(complexType(v, sort, "GUID", DataType::Guid, 16));
    out.push_back(complexTypeDecimal(v, sort));
    out.push_back(complexTypeText(v, sort));
    out.push_back(complexTypeAttachment(v, sort));
    return out;
}

}  // namespace jet
