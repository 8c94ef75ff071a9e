#include "jet/format/row_codec.h"

namespace jet {

RowView::RowView(Bytes row, JetVersion v, bool tableHasVarColumns) : row_(row), version_(v) {
    const bool jet3 = isJet3(v);
    if (row.size() < (jet3 ? 1u : 2u)) throwCorrupt("a row is shorter than its header");
    columnCount_ = jet3 ? readU8(row, 0) : readU16(row, 0);
    size_t maskLen = (columnCount_ + 7u) / 8u;
    if (maskLen > row.size()) throwCorrupt("a row's null mask is longer than the row");
    nullMask_ = row.subspan(row.size() - maskLen);
    size_t end = row.size() - maskLen;  // first byte after the variable bookkeeping

    if (!tableHasVarColumns) {
        return;
    } else if (jet3) {
        if (end < 1) throwCorrupt("a row has no variable-column count");
        uint8_t varLen = readU8(row, end - 1);
        size_t jumps = (row.size() - 1) / 256;
        // Layout from the end: var count, jump table, offsets (reversed), eod.
        size_t pos = end - 1;
        if (pos < jumps + varLen + 1u) throwCorrupt("a row's variable-column table does not fit");
        pos -= jumps;
        Bytes jumpTable = row.subspan(pos, jumps);
        varOffsets_.resize(varLen + 1u);
        for (size_t i = 0; i <= varLen; ++i) {
            uint16_t off = row[pos - 1 - i];
            // Each jump entry names the first offset that lies 256 bytes further on.
            for (uint8_t j : jumpTable) {
                if (j != 0xFF && j <= i) off = static_cast<uint16_t>(off + 256);
            }
            varOffsets_[i] = off;
        }
    } else {
        if (end < 2) throwCorrupt("a row has no variable-column count");
        uint16_t varLen = readU16(row, end - 2);
        size_t pos = end - 2;
        if (pos < 2u * (varLen + 1u)) throwCorrupt("a row's variable-column table does not fit");
        varOffsets_.resize(varLen + 1u);
        for (size_t i = 0; i <= varLen; ++i) varOffsets_[i] = readU16(row, pos - 2 * (i + 1));
    }
}

bool RowView::hasValue(const ColumnDef& c) const {
    if (c.number >= columnCount_) return false;
    return (nullMask_[c.number / 8] >> (c.number % 8)) & 1;
}

std::optional<Bytes> RowView::bytes(const ColumnDef& c) const {
    if (!hasValue(c)) return std::nullopt;
    if (c.isFixed()) {
        size_t start = (isJet3(version_) ? 1u : 2u) + c.fixedOffset;
        return subBytes(row_, start, c.length, "a fixed column value");
    }
    if (c.varIndex + 1u >= varOffsets_.size()) return std::nullopt;
    uint16_t start = varOffsets_[c.varIndex];
    uint16_t stop = varOffsets_[c.varIndex + 1u];
    if (stop < start) throwCorrupt("a variable column ends before it starts");
    return subBytes(row_, start, stop - start, "a variable column value");
}

}  // namespace jet
