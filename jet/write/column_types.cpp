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

StoredType storedTypeOf(int daoType, JetVersion v) {
    switch (daoType) {
        case kDaoText:
            return {DataType::Text, 0, false};
        case kDaoMemo:
            return {DataType::Memo, 0, false};
        case kDaoBoolean:
            return {DataType::Boolean, 1, true};
        case kDaoByte:
            return {DataType::Byte, 1, true};
        case kDaoInteger:
            return {DataType::Integer, 2, true};
        case kDaoLong:
            return {DataType::Long, 4, true};
        case kDaoBigInt:
            if (v < JetVersion::Ace16) refuseType();
            return {DataType::BigInt, 8, true};
        case kDaoCurrency:
            return {DataType::Currency, 8, true};
        case kDaoSingle:
            return {DataType::Single, 4, true};
        case kDaoDouble:
            return {DataType::Double, 8, true};
        case kDaoDate:
            return {DataType::DateTime, 8, true};
        case kDaoBinary:
            return {DataType::Binary, 0, false};
        case kDaoLongBinary:
            return {DataType::LongBinary, 0, false};
        case kDaoGuid:
            return {DataType::Guid, 16, true};
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
