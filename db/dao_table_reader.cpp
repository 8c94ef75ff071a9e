#include "db/dao_table_reader.h"

#include "jet/catalog/complex_columns.h"
#include "jet/catalog/type_codes.h"
#include "jet/format/property_blob.h"

namespace dao {
namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

// DAO codes of the multi-value types, by the type of the value column.
int multiValueTypeCode(jet::DataType valueType) {
    switch (valueType) {
        case jet::DataType::Byte:
            return 102;
        case jet::DataType::Integer:
            return 103;
        case jet::DataType::Long:
            return 104;
        case jet::DataType::Single:
            return 105;
        case jet::DataType::Double:
            return 106;
        case jet::DataType::Guid:
            return 107;
        case jet::DataType::Numeric:
            return 108;
        case jet::DataType::Text:
            return 109;
        default:
            return jet::kDaoComplexLong;
    }
}

// A complex column reports what it holds: an attachment (101) or a
// multi-value field of a simple type (102..109).
int complexTypeCode(jet::Database& db, const jet::TableDef& def, const jet::ColumnDef& c) {
    try {
        const jet::ComplexColumnInfo info = jet::complexColumnInfo(db, def, c);
        if (info.kind == jet::ComplexKind::Attachment) return jet::kDaoAttachment;
        if (info.kind == jet::ComplexKind::MultiValue && !info.valueColumns.empty()) {
            auto flat = db.table(info.flatTable);
            if (const auto* value = flat->findColumn(info.valueColumns.front())) {
                return multiValueTypeCode(value->type);
            }
        }
    } catch (const jet::Error&) {
        // A complex column whose helper tables cannot be read still lists,
        // with the generic code.
    }
    return jet::daoTypeCode(c);
}

int daoSize(const jet::ColumnDef& c, bool jet3) {
    switch (c.type) {
        case jet::DataType::Text:
            return jet3 ? c.length : c.length / 2;
        case jet::DataType::Binary:
            return c.length;
        case jet::DataType::Memo:
        case jet::DataType::LongBinary:
        case jet::DataType::Complex:
            return 0;
        case jet::DataType::Boolean:
        case jet::DataType::Byte:
            return 1;
        case jet::DataType::Integer:
            return 2;
        case jet::DataType::Long:
        case jet::DataType::Single:
            return 4;
        case jet::DataType::Currency:
        case jet::DataType::Double:
        case jet::DataType::DateTime:
        case jet::DataType::BigInt:
            return 8;
        case jet::DataType::Guid:
        case jet::DataType::Numeric:
            return 16;
        case jet::DataType::ExtDateTime:
            return c.length;
    }
    return c.length;
}

bool boolProperty(const jet::PropertyMap* props, const char* name) {
    const jet::Property* p = props ? props->find(name) : nullptr;
    if (!p) return false;
    if (p->value.is<bool>()) return p->value.as<bool>();
    if (p->value.is<int64_t>()) return p->value.as<int64_t>() != 0;
    return false;
}

QString textProperty(const jet::PropertyMap* props, const char* name) {
    const jet::Property* p = props ? props->find(name) : nullptr;
    if (!p || !p->value.is<std::string>()) return QString();
    return qs(p->value.as<std::string>());
}

jet::PropertyBlob propertiesOf(jet::Database& db, const jet::CatalogObject& table) {
    if (table.properties.empty()) return {};
    return jet::parsePropertyBlob(table.properties, jet::isJet3(db.version()), db.codePage());
}

}  // namespace

std::vector<std::shared_ptr<Field>> readTableFields(jet::Database& db,
                                                    const jet::CatalogObject& table) {
    auto def = db.tableAt(table.tdefPage(), table.name);
    const jet::PropertyBlob blob = propertiesOf(db, table);
    const bool jet3 = jet::isJet3(db.version());
    std::vector<std::shared_ptr<Field>> out;
    out.reserve(def->columns.size());
    for (const auto& c : def->columns) {
        const jet::PropertyMap* props = blob.forObject(c.name);
        FieldData f;
        f.name = qs(c.name);
        f.type =
            c.type == jet::DataType::Complex ? complexTypeCode(db, *def, c) : jet::daoTypeCode(c);
        f.size = daoSize(c, jet3);
        f.attributes = static_cast<int>(jet::daoFieldAttributes(c));
        // The key a complex column stores is a counter the engine keeps, not
        // an AutoNumber of the user's: do not let the designer show one.
        if (c.type == jet::DataType::Complex) f.attributes &= ~jet::kDaoAutoIncrField;
        f.required = boolProperty(props, "Required");
        f.allowZeroLength = boolProperty(props, "AllowZeroLength");
        f.defaultValue = textProperty(props, "DefaultValue");
        f.validationRule = textProperty(props, "ValidationRule");
        f.validationText = textProperty(props, "ValidationText");
        out.push_back(std::make_shared<Field>(std::move(f)));
    }
    return out;
}

std::vector<std::shared_ptr<Index>> readTableIndexes(jet::Database& db,
                                                     const jet::CatalogObject& table) {
    auto def = db.tableAt(table.tdefPage(), table.name);
    std::vector<std::shared_ptr<Index>> out;
    for (const auto& ix : def->indexes) {
        if (!ix.name.empty() && ix.name.front() == '.') continue;
        const jet::RealIndexDef& real = def->realIndexOf(ix);
        IndexData d;
        d.name = qs(ix.name);
        for (const auto& col : real.columns) {
            const jet::ColumnDef* c = def->columnByNumber(col.columnNumber);
            if (!d.fields.isEmpty()) d.fields += u';';
            d.fields += (col.ascending ? u'+' : u'-');
            d.fields += c ? qs(c->name) : QString();
        }
        d.primary = ix.isPrimaryKey();
        d.foreign = ix.isForeignKey();
        d.unique = (real.flags & jet::kIndexUnique) != 0;
        d.required = (real.flags & jet::kIndexRequired) != 0;
        d.ignoreNulls = (real.flags & jet::kIndexIgnoreNulls) != 0;
        out.push_back(std::make_shared<Index>(std::move(d)));
    }
    return out;
}

}  // namespace dao
