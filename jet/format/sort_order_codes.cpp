#include "jet/format/sort_order_codes.h"

#include <stdexcept>
#include <vector>

#include "jet/format/sort_order_tables.inc"

namespace jet::sort_order_detail {
namespace {

// Stream operations, as written by scripts/gen_sort_orders.py.
constexpr uint8_t kOpLiteral = 0x00;
constexpr uint8_t kOpRepeat = 0x10;
constexpr uint8_t kOpSteps = 0x20;
constexpr uint8_t kOpAscend = 0x30;

struct Entry {
    CodeKind kind = CodeKind::Ignored;
    uint8_t length = 0;
    uint8_t extraLength = 0;
    uint8_t flag = 0;
    uint32_t offset = 0;  // into the pool: `length` bytes, then `extraLength` bytes
};

// One sort order expanded to a table indexed by code unit.
class CodeTable {
public:
    CodeTable(std::span<const unsigned char> stream, size_t count) : stream_(stream) {
        entries_.reserve(count);
        while (pos_ < stream_.size()) readOp();
        if (entries_.size() != count) fail();
    }

    CharCode at(size_t index) const {
        if (index >= entries_.size()) return {};
        const Entry& e = entries_[index];
        std::span<const uint8_t> pool(pool_);
        return CharCode{e.kind, pool.subspan(e.offset, e.length),
                        pool.subspan(e.offset + e.length, e.extraLength), e.flag};
    }

private:
    [[noreturn]] static void fail() {
        throw std::logic_error("the built-in sort order table is malformed");
    }

    uint8_t next() {
        if (pos_ >= stream_.size()) fail();
        return stream_[pos_++];
    }

    size_t readCount() {
        size_t value = 0;
        for (int shift = 0; shift < 28; shift += 7) {
            uint8_t b = next();
            value |= static_cast<size_t>(b & 0x7f) << shift;
            if (!(b & 0x80)) return value;
        }
        fail();
    }

    void appendSized(uint8_t& length) {
        length = next();
        for (int i = 0; i < length; ++i) pool_.push_back(next());
    }

    void readLiteral(CodeKind kind) {
        Entry e;
        e.kind = kind;
        e.offset = static_cast<uint32_t>(pool_.size());
        switch (kind) {
            case CodeKind::Simple:
            case CodeKind::Unprintable:
            case CodeKind::Significant:
                appendSized(e.length);
                break;
            case CodeKind::International:
                appendSized(e.length);
                appendSized(e.extraLength);
                break;
            case CodeKind::UnprintableExt:
                e.flag = next();
                break;
            case CodeKind::InternationalExt:
                appendSized(e.length);
                appendSized(e.extraLength);
                e.flag = next();
                break;
            case CodeKind::Ignored:
            case CodeKind::HighSurrogate:
            case CodeKind::LowSurrogate:
                break;
            default:
                fail();
        }
        entries_.push_back(e);
    }

    // A copy of the previous entry whose inline bytes, read as a big-endian
    // number, are larger by `step`.
    void appendStep(unsigned step) {
        if (entries_.empty()) fail();
        Entry e = entries_.back();
        uint32_t from = e.offset;
        e.offset = static_cast<uint32_t>(pool_.size());
        for (uint32_t i = 0; i < e.length + e.extraLength; ++i) pool_.push_back(pool_[from + i]);
        unsigned carry = step;
        for (int i = e.length - 1; i >= 0 && carry != 0; --i) {
            unsigned sum = pool_[e.offset + i] + carry;
            pool_[e.offset + i] = static_cast<uint8_t>(sum);
            carry = sum >> 8;
        }
        if (carry != 0) fail();
        entries_.push_back(e);
    }

    void readOp() {
        uint8_t op = next();
        switch (op & 0xf0) {
            case kOpLiteral:
                readLiteral(static_cast<CodeKind>(op & 0x0f));
                return;
            case kOpRepeat: {
                if (entries_.empty()) fail();
                size_t n = readCount();
                for (size_t i = 0; i < n; ++i) entries_.push_back(entries_.back());
                return;
            }
            case kOpSteps: {
                size_t n = readCount();
                for (size_t i = 0; i < n; ++i) appendStep(next());
                return;
            }
            case kOpAscend: {
                size_t n = readCount();
                for (size_t i = 0; i < n; ++i) appendStep(1);
                return;
            }
            default:
                fail();
        }
    }

    std::span<const unsigned char> stream_;
    size_t pos_ = 0;
    std::vector<uint8_t> pool_;
    std::vector<Entry> entries_;
};

const CodeTable& general2010Table() {
    static const CodeTable table(sort_order_data::kGeneral2010Codes, 0x10000);
    return table;
}

const CodeTable& generalLegacyTable() {
    static const CodeTable table(sort_order_data::kGeneralLegacyCodes, 0x10000);
    return table;
}

const CodeTable& general97Table() {
    static const CodeTable table(sort_order_data::kGeneral97Codes, 0x100);
    return table;
}

}  // namespace

CharCode general2010Code(char16_t c) {
    return general2010Table().at(c);
}

CharCode generalLegacyCode(char16_t c) {
    return generalLegacyTable().at(c);
}

CharCode general97Code(char16_t c) {
    // The recorded codes leave U+0000 out, but Access 97 keys it like the
    // other control characters (a system table's name ending in NUL, in an
    // Access-made Jet 3 file, has the byte 0x10 for it).
    if (c == 0) return general97Table().at(1);
    if (c <= 0xff) return general97Table().at(c);
    for (const auto& pair : sort_order_data::kGeneral97Equivalents) {
        if (pair[0] == c) return general97Table().at(pair[1]);
    }
    return {};
}

}  // namespace jet::sort_order_detail
