#include "jet/write/column_types.h"

#include "jet/catalog/type_codes.h"
#include "jet/error.h"
#include "jet/write/collations.h"

namespace jet {
namespace {

constexpr int kDefaultTextSize = 50;

[[noreturn]] void refuseType() {
    throw Error(ErrorCode::InvalidArgument, "Invalid field data type.");
}

[[noreturn]] void refuseSize(int max) {
    throw Error(ErrorCode::InvalidArgument,
                "The setting for the FieldSize property must be from 1 through " +
                    std::to_string(max) + ".");
}

int checkedSize(int size, int defaultSize, int max) {
    if (size == 0) return defaultSize;
    if (size < 1 || size > max) refuseSize(max);
    return size;
}

struct StoredType {
    DataType type;
    uint16_t length;  // bytes of a fixed column; 0 for variable ones set below
    bool fixed;
};

StoredType stored(DataType type) {
    const uint16_t length = fixedValueSize(type);
    return {type, length, length > 0};
}

StoredType storedTypeOf(int daoType, JetVersion v) {
    switch (daoType) {
        case kDaoText:
            return stored(DataType::Text);
        case kDaoMemo:
            return stored(DataType::Memo);
        case kDaoBoolean:
            return stored(DataType::Boolean);
        case kDaoByte:
            return stored(DataType::Byte);
        case kDaoInteger:
            return stored(DataType::Integer);
        case kDaoLong:
            return stored(DataType::Long);
        case kDaoBigInt:
            if (v < JetVersion::Ace16) refuseType();
            return stored(DataType::BigInt);
        case kDaoCurrency:
            return stored(DataType::Currency);
        case kDaoSingle:
            return stored(DataType::Single);
        case kDaoDouble:
            return stored(DataType::Double);
        case kDaoDate:
            return stored(DataType::DateTime);
        case kDaoBinary:
            return stored(DataType::Binary);
        case kDaoLongBinary:
            return stored(DataType::LongBinary);
        case kDaoGuid:
            return stored(DataType::Guid);
        default:
            refuseType();
    }
}

}  // namespace

int maxBinarySize(JetVersion v) {
    return isJet3(v) ? 255 : 510;
}

ColumnDef columnDefFor(const ColumnSpec& spec, JetVersion v, SortOrder textOrder) {
    StoredType stored = storedTypeOf(spec.daoType, v);
    ColumnDef c;
    c.name = spec.name;
    c.type = stored.type;
    c.length = stored.length;
    // Access sets the second bit on every column it creates, required or not;
    // "required" lives in the column's properties.
    c.flags = kColumnNullable;
    if (stored.fixed) c.flags |= kColumnFixed;

    if (spec.autoIncrement) {
        if (stored.type == DataType::Long) {
            c.flags |= kColumnAutoLong;
        } else if (stored.type == DataType::Guid) {
            c.flags |= kColumnAutoGuid;
        } else {
            refuseType();
        }
    }

    // Access stores the database's sort order (and in Jet 3 its code page) on
    // every column it creates, text or not; only text carries the version.
    c.sortLcid = textOrder.lcid;
    if (isJet3(v)) {
        c.codePage = isKnownCollation(textOrder.lcid) ? collationCodePage(textOrder.lcid) : 1252;
    }
    const int unitBytes = isJet3(v) ? 1 : 2;
    switch (stored.type) {
        case DataType::Text:
            c.length = static_cast<uint16_t>(
                checkedSize(spec.size, kDefaultTextSize, kMaxTextSize) * unitBytes);
            [[fallthrough]];
        case DataType::Memo:
            if (!isJet3(v)) {
                c.sortVersion = textOrder.version;
                c.compressedUnicode = true;
            }
            break;
        case DataType::Binary:
            c.length =
                static_cast<uint16_t>(checkedSize(spec.size, maxBinarySize(v), maxBinarySize(v)));
            break;
        default:
            break;
    }
    return c;
}

}  // namespace jet
