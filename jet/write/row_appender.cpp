#include "jet/write/row_appender.h"

#include "jet/write/row_encoder.h"

namespace jet {

RowAppender::RowAppender(PageSink& sink, const TableDef& def, JetVersion v, uint16_t codePage)
    : sink_(sink),
      def_(def),
      version_(v),
      codePage_(codePage),
      longValues_(sink, v),
      open_(v, def.tdefPage) {}

void RowAppender::writeOpenPage() {
    if (!openPage_) return;
    sink_.write(*openPage_, open_.bytes());
    open_.clear();
    openPage_.reset();
}

RowPointer RowAppender::append(std::span<const Value> values) {
    std::vector<uint8_t> row = encodeRow(def_, values, version_, codePage_, longValues_);
    if (openPage_ && !open_.fits(row.size())) writeOpenPage();
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
    longValues_.finish();
}

}  // namespace jet
