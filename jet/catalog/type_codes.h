// The numeric codes the catalogue interface reports for column types and
// attributes (the DAO conventions the application and tools speak).
#pragma once

#include <cstdint>

#include "jet/format/table_def.h"

namespace jet {

enum DaoType : int {
    kDaoBoolean = 1,
    kDaoByte = 2,
    kDaoInteger = 3,
    kDaoLong = 4,
    kDaoCurrency = 5,
    kDaoSingle = 6,
    kDaoDouble = 7,
    kDaoDate = 8,
    kDaoBinary = 9,
    kDaoText = 10,
    kDaoLongBinary = 11,
    kDaoMemo = 12,
    kDaoGuid = 15,
    kDaoBigInt = 16,
    kDaoDecimal = 20,
    kDaoAttachment = 101,
    kDaoComplexLong = 104,
    kDaoComplexText = 109,
};

enum DaoFieldAttribute : uint32_t {
    kDaoFixedField = 0x1,
    kDaoVariableField = 0x2,
    kDaoAutoIncrField = 0x10,
    kDaoHyperlinkField = 0x8000,
};

int daoTypeCode(const ColumnDef& c);
uint32_t daoFieldAttributes(const ColumnDef& c);

}  // namespace jet
