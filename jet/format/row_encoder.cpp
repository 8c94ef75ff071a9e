#include "jet/format/row_encoder.h"

#include <algorithm>
#include <string>

#include "jet/error.h"
#include "jet/format/text_codec.h"
#include "jet/util/bytes.h"
#include "jet/format/data_page_builder.h"
#include "jet/format/value_encoder.h"

namespace jet {
namespace {

void putLE(std::vector<uint8_t>& out, size_t at, uint32_t v, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint16_t storedColumnCount(const TableDef& def) {
    size_t count = def.maxColumns;
    for (const ColumnDef& c : def.columns) count = std::max<size_t>(count, c.number + 1u);
    return static_cast<uint16_t>(count);
}

size_t fixedAreaSize(const TableDef& def) {
    size_t end = 0;
    for (const ColumnDef& c : def.columns) {
        if (c.isFixed() && c.type != DataType::Boolean) {
            end = std::max<size_t>(end, size_t{c.fixedOffset} + c.length);
        }
    }
    return end;
}

bool isStoredNonNull(const ColumnDef& c, const Value& v) {
    return !v.isNull() && c.type != DataType::Boolean;
}

std::vector<uint8_t> storeLongValue(const ColumnDef& c, const Value& v, JetVersion ver,
                                    uint16_t codePage, size_t room, LongValueSink& longValues) {
    if (c.type == DataType::Memo) {
        if (!v.is<std::string>()) {
            throw Error(ErrorCode::InvalidArgument,
                        "the value for the field '" + c.name + "' (Memo) is not text");
        }
        return storeMemoText(v.as<std::string>(), ver, codePage, room, longValues);
    }
    if (!v.is<Blob>()) {
        throw Error(ErrorCode::InvalidArgument,
                    "the value for the field '" + c.name + "' (OLE Object) is not binary");
    }
    return longValues.store(v.as<Blob>(), room);
}

// The variable-column offsets and end-of-data offset as Jet 3 stores them:
// low bytes, reversed, preceded (towards the row start) by nothing and
// followed by the jump table whose entry k names the first offset at or
// past 256 * (k + 1), the first step nearest the variable-column count.
void appendJet3Trailer(std::vector<uint8_t>& row, const std::vector<uint16_t>& offsets,
                       uint16_t varCount, size_t maskSize) {
    size_t base = row.size() + offsets.size() + 1 + maskSize;  // without jumps
    size_t jumps = 0;
    while (jet3JumpCount(base + jumps) != jumps) ++jumps;
    for (size_t i = offsets.size(); i-- > 0;) row.push_back(static_cast<uint8_t>(offsets[i]));
    std::vector<uint8_t> table(jumps, 0xFF);
    for (size_t k = 0; k < jumps; ++k) {
        for (size_t i = 0; i < offsets.size(); ++i) {
            if (offsets[i] >= 256 * (k + 1)) {
                table[k] = static_cast<uint8_t>(i);
                break;
            }
        }
    }
    for (size_t k = jumps; k-- > 0;) row.push_back(table[k]);
    row.push_back(static_cast<uint8_t>(varCount));
}

}  // namespace

std::vector<uint8_t> storeMemoText(std::string_view utf8, JetVersion v, uint16_t codePage,
                                   size_t inlineRoom, LongValueSink& longValues) {
    if (isJet3(v)) {
        ColumnDef memo;
        memo.name = "Memo";
        return longValues.store(encodeText(memo, utf8, v, codePage), inlineRoom);
    }
    std::u16string units = utf8ToUtf16(utf8);
    std::vector<uint8_t> plain = utf16TextBytes(units);
    if (longValueGoesInline(v, plain.size(), inlineRoom) && isCompressibleText(units)) {
        return longValues.store(compressedTextBytes(units), inlineRoom);
    }
    return longValues.store(plain, inlineRoom);
}

size_t jet3JumpCount(size_t rowSize) {
    return rowSize == 0 ? 0 : (rowSize - 1) / 256;
}

std::vector<uint8_t> encodeRow(const TableDef& def, std::span<const Value> values, JetVersion v,
                               uint16_t codePage, LongValueSink& longValues) {
    std::vector<LongValueSink*> writers(def.columns.size(), &longValues);
    return encodeRow(def, values, v, codePage, writers);
}

std::vector<uint8_t> encodeRow(const TableDef& def, std::span<const Value> values, JetVersion v,
                               uint16_t codePage,
                               std::span<LongValueSink* const> longValuesByColumn) {
    if (values.size() != def.columns.size() || longValuesByColumn.size() != def.columns.size()) {
        throw Error(ErrorCode::InvalidArgument, "a row of the table '" + def.name + "' needs " +
                                                    std::to_string(def.columns.size()) +
                                                    " values, not " +
                                                    std::to_string(values.size()));
    }
    const bool jet3 = isJet3(v);
    const size_t countSize = jet3 ? 1 : 2;
    const size_t offsetSize = jet3 ? 1 : 2;
    const uint16_t columnCount = storedColumnCount(def);
    const size_t maskSize = (columnCount + 7u) / 8u;
    const uint16_t varCount = def.varColumnCount;

    std::vector<uint8_t> mask(maskSize, 0);
    auto markPresent = [&](const ColumnDef& c) {
        mask[c.number / 8] |= uint8_t(1u << (c.number % 8));
    };

    std::vector<uint8_t> row(countSize + fixedAreaSize(def), 0);
    putLE(row, 0, columnCount, countSize);

    std::vector<size_t> varOrder;
    for (size_t i = 0; i < def.columns.size(); ++i) {
        const ColumnDef& c = def.columns[i];
        const Value& value = values[i];
        if (c.type == DataType::Boolean) {
            if (value.is<bool>() ? value.as<bool>() : !value.isNull()) markPresent(c);
            continue;
        }
        if (!c.isFixed()) {
            if (c.varIndex >= varCount) {
                throw Error(ErrorCode::InvalidArgument,
                            "the field '" + c.name + "' lies outside the table's variable columns");
            }
            varOrder.push_back(i);
            continue;
        }
        if (value.isNull()) continue;
        std::vector<uint8_t> bytes = encodeValue(c, value, v, codePage);
        std::copy(bytes.begin(), bytes.end(),
                  row.begin() + static_cast<std::ptrdiff_t>(countSize + c.fixedOffset));
        markPresent(c);
    }

    if (varCount == 0) {
        row.insert(row.end(), mask.begin(), mask.end());
        if (row.size() > DataPageBuilder::maxRowSize(v)) {
            throw Error(ErrorCode::Constraint, "Record is too large.");
        }
        return row;
    }

    std::sort(varOrder.begin(), varOrder.end(), [&](size_t a, size_t b) {
        return def.columns[a].varIndex < def.columns[b].varIndex;
    });
    // Room a long value may take inline: what the row can still grow by,
    // keeping a reference's worth for every long value still to come.
    const size_t trailer = offsetSize * (varCount + 1u) + countSize + maskSize;
    size_t laterLongValues = 0;
    for (size_t i : varOrder) {
        if (isLongValueType(def.columns[i].type) && !values[i].isNull()) ++laterLongValues;
    }

    std::vector<uint16_t> offsets;  // one per variable index, then end of data
    offsets.reserve(varCount + 1u);
    for (size_t i : varOrder) {
        const ColumnDef& c = def.columns[i];
        const Value& value = values[i];
        while (offsets.size() <= c.varIndex) offsets.push_back(static_cast<uint16_t>(row.size()));
        if (!isStoredNonNull(c, value)) continue;
        std::vector<uint8_t> bytes;
        if (isLongValueType(c.type)) {
            --laterLongValues;
            size_t used = row.size() + trailer + kLongValueHeaderSize * laterLongValues;
            size_t limit = DataPageBuilder::maxRowSize(v);
            size_t room = used < limit ? limit - used : 0;
            if (!longValuesByColumn[i])
                throw Error(ErrorCode::InvalidArgument,
                            "no long-value writer for column '" + c.name + "'");
            bytes = storeLongValue(c, value, v, codePage, room, *longValuesByColumn[i]);
        } else {
            bytes = encodeValue(c, value, v, codePage);
        }
        row.insert(row.end(), bytes.begin(), bytes.end());
        markPresent(c);
        if (row.size() > DataPageBuilder::maxRowSize(v)) {
            throw Error(ErrorCode::Constraint, "Record is too large.");
        }
    }
    while (offsets.size() <= varCount) offsets.push_back(static_cast<uint16_t>(row.size()));

    if (jet3) {
        appendJet3Trailer(row, offsets, varCount, maskSize);
    } else {
        for (size_t i = offsets.size(); i-- > 0;) {
            row.push_back(static_cast<uint8_t>(offsets[i]));
            row.push_back(static_cast<uint8_t>(offsets[i] >> 8));
        }
        row.push_back(static_cast<uint8_t>(varCount));
        row.push_back(static_cast<uint8_t>(varCount >> 8));
    }
    row.insert(row.end(), mask.begin(), mask.end());
    if (row.size() > DataPageBuilder::maxRowSize(v)) {
        throw Error(ErrorCode::Constraint, "Record is too large.");
    }
    return row;
}

}  // namespace jet
