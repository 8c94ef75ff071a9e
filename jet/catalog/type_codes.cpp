#include "jet/catalog/type_codes.h"

namespace jet {

int daoTypeCode(const ColumnDef& c) {
    switch (c.type) {
        case DataType::Boolean:
            return kDaoBoolean;
        case DataType::Byte:
            return kDaoByte;
        case DataType::Integer:
            return kDaoInteger;
        case DataType::Long:
            return kDaoLong;
        case DataType::Currency:
            return kDaoCurrency;
        case DataType::Single:
            return kDaoSingle;
        case DataType::Double:
            return kDaoDouble;
        case DataType::DateTime:
            return kDaoDate;
        case DataType::Binary:
            return kDaoBinary;
        case DataType::Text:
            return kDaoText;
        case DataType::LongBinary:
            return kDaoLongBinary;
        case DataType::Memo:
            return kDaoMemo;
        case DataType::Guid:
            return kDaoGuid;
        case DataType::Numeric:
            return kDaoDecimal;
        case DataType::BigInt:
            return kDaoBigInt;
        case DataType::Complex:
            return kDaoComplexLong;
        case DataType::ExtDateTime:
            return kDaoDate;
    }
    return kDaoBinary;
}

uint32_t daoFieldAttributes(const ColumnDef& c) {
    uint32_t a = c.isFixed() ? kDaoFixedField : kDaoVariableField;
    if (c.isAutoLong()) a |= kDaoAutoIncrField;
    if (c.isHyperlink()) a |= kDaoHyperlinkField;
    return a;
}

}  // namespace jet
