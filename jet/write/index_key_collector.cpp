#include "jet/write/index_key_collector.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "jet/error.h"

namespace jet {
namespace {

// No index page of any version holds an entry this long; the builder
// narrows this to what its pages can take.
constexpr size_t kMaxKeyLength = 4096;
constexpr uint32_t kMaxDataPage = 0xffffff;

}  // namespace

bool IndexKeyCollector::less(const Record& a, const Record& b) const {
    const size_t common = std::min(a.length, b.length);
    const int order =
        common == 0 ? 0 : std::memcmp(arena_.data() + a.offset, arena_.data() + b.offset, common);
    if (order != 0) return order < 0;
    if (a.length != b.length) return a.length < b.length;
    // The packed pointer orders by page, then row, as indexEntryLess does.
    return a.packedRow < b.packedRow;
}

void IndexKeyCollector::add(std::span<const uint8_t> key, RowPointer row) {
    if (key.empty())
        throw Error(ErrorCode::InvalidArgument, "An index key needs at least one byte");
    if (key.size() > kMaxKeyLength) {
        throw Error(ErrorCode::InvalidArgument,
                    "An index key of " + std::to_string(key.size()) + " bytes is too long");
    }
    if (row.page > kMaxDataPage) {
        throw Error(ErrorCode::InvalidArgument, "Data page " + std::to_string(row.page) +
                                                    " does not fit an index entry's row pointer");
    }
    const Record record{arena_.size(), static_cast<uint32_t>(key.size()), row.packed()};
    arena_.insert(arena_.end(), key.begin(), key.end());
    entries_.push_back(record);
    // Rows often arrive in key order (an autonumber key): sort() is then free.
    sorted_ =
        sorted_ && (entries_.size() < 2 || !less(entries_.back(), entries_[entries_.size() - 2]));
}

void IndexKeyCollector::sort() {
    if (sorted_) return;
    std::sort(entries_.begin(), entries_.end(),
              [this](const Record& a, const Record& b) { return less(a, b); });
    sorted_ = true;
}

std::span<const uint8_t> IndexKeyCollector::key(size_t i) const {
    const Record& record = entries_.at(i);
    return std::span<const uint8_t>(arena_).subspan(record.offset, record.length);
}

RowPointer IndexKeyCollector::row(size_t i) const {
    return RowPointer::fromPacked(entries_.at(i).packedRow);
}

size_t IndexKeyCollector::memoryBytes() const {
    return arena_.capacity() + entries_.capacity() * sizeof(Record);
}

}  // namespace jet
