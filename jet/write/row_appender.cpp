#include "jet/write/row_appender.h"

#include <algorithm>

#include "jet/format/row_encoder.h"

namespace jet {

RowAppender::RowAppender(PageSink& sink, const TableDef& def, JetVersion v, uint16_t codePage)
    : sink_(sink), def_(def), version_(v), codePage_(codePage), open_(v, def.tdefPage) {
    for (const ColumnDef& c : def.columns) {
        LongValueWriter* writer = nullptr;
        if (isLongValueType(c.type)) {
            if (longValueWriters_.empty() || !isJet3(v))
                longValueWriters_.push_back(std::make_unique<LongValueWriter>(sink, v));
            writer = longValueWriters_.back().get();
        }
        longValuesByColumn_.push_back(writer);
        sinksByColumn_.push_back(writer);
    }
}

const std::vector<uint32_t>& RowAppender::longValuePages(size_t columnIndex) const {
    static const std::vector<uint32_t> none;
    if (columnIndex >= longValuesByColumn_.size() || !longValuesByColumn_[columnIndex]) return none;
    return longValuesByColumn_[columnIndex]->pages();
}

std::vector<uint32_t> RowAppender::longValuePages() const {
    std::vector<uint32_t> out;
    for (const auto& writer : longValueWriters_)
        out.insert(out.end(), writer->pages().begin(), writer->pages().end());
    return out;
}

std::vector<uint32_t> RowAppender::dataPagesWithRoom() const {
    std::vector<uint32_t> out;
    for (uint32_t page : dataPages_)
        if (std::find(fullPages_.begin(), fullPages_.end(), page) == fullPages_.end())
            out.push_back(page);
    return out;
}

void RowAppender::writeOpenPage() {
    if (!openPage_) return;
    sink_.write(*openPage_, open_.bytes());
    open_.clear();
    openPage_.reset();
}

RowPointer RowAppender::append(std::span<const Value> values) {
    std::vector<uint8_t> row = encodeRow(def_, values, version_, codePage_, sinksByColumn_);
    if (openPage_ && !open_.fits(row.size())) {
        fullPages_.push_back(*openPage_);
        writeOpenPage();
    }
    if (!openPage_) {
        openPage_ = sink_.allocate();
        dataPages_.push_back(*openPage_);
    }
    uint16_t n = open_.add(row);
    ++rowCount_;
    return RowPointer{*openPage_, static_cast<uint8_t>(n)};
}

void RowAppender::finish() {
    writeOpenPage();
    for (auto& writer : longValueWriters_) writer->finish();
}

}  // namespace jet
