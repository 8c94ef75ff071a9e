#include "jet/sql/functions/value_ops_text.h"

#include <unicode/uchar.h>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace jet {

std::string asciiUpper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

char32_t foldCase(char32_t c) {
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
    return static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
}

std::u32string foldText(std::u32string_view s) {
    std::u32string out(s);
    for (char32_t& c : out) c = foldCase(c);
    return out;
}

std::string upperText(std::string_view s) {
    std::u32string cps = utf8ToCodePoints(s);
    for (char32_t& c : cps) c = static_cast<char32_t>(u_toupper(static_cast<UChar32>(c)));
    return codePointsToUtf8(cps);
}

std::string lowerText(std::string_view s) {
    std::u32string cps = utf8ToCodePoints(s);
    for (char32_t& c : cps) c = static_cast<char32_t>(u_tolower(static_cast<UChar32>(c)));
    return codePointsToUtf8(cps);
}

namespace {

// Reads one code point at `i` (advancing it); ASCII takes the fast path.
char32_t nextCodePoint(std::string_view s, size_t& i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
        ++i;
        return c;
    }
    size_t start = i;
    size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    if (start + len > s.size()) len = s.size() - start;
    std::u32string cp = utf8ToCodePoints(s.substr(start, len));
    // A malformed sequence yields U+FFFD for its first byte only.
    if (cp.size() != 1) {
        i = start + 1;
        return 0xFFFD;
    }
    i = start + len;
    return cp[0];
}

}  // namespace

int compareTextNoCase(std::string_view a, std::string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        char32_t x = foldCase(nextCodePoint(a, i));
        char32_t y = foldCase(nextCodePoint(b, j));
        if (x != y) return x < y ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

int compareTextExact(std::string_view a, std::string_view b) {
    // UTF-8 byte order is code point order.
    int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

namespace {

// The sort keys of the last few texts compared: a condition compares every
// row's value with the same literal, whose key is then made once.
class RecentTextKeys {
public:
    static constexpr size_t kNone = SIZE_MAX;

    // The slot holding the key of `text`, made in a slot other than `keep`
    // when it is not there yet.
    size_t slotOf(std::string_view text, SortOrderKind order, size_t keep) {
        for (size_t i = 0; i < entries_.size(); ++i) {
            if (entries_[i].order == order && entries_[i].text == text) return i;
        }
        size_t slot = next_;
        if (slot == keep) slot = (slot + 1) % entries_.size();
        next_ = (slot + 1) % entries_.size();
        Entry& e = entries_[slot];
        e.text.assign(text);
        e.order = order;
        e.key.clear();
        appendTextKey(e.key, utf8ToUtf16(text), order, true);
        return slot;
    }
    const std::vector<uint8_t>& key(size_t slot) const { return entries_[slot].key; }

private:
    struct Entry {
        std::string text;
        std::optional<SortOrderKind> order;  // none: an empty slot
        std::vector<uint8_t> key;
    };
    std::array<Entry, 4> entries_;
    size_t next_ = 0;
};

}  // namespace

int compareTextInSortOrder(std::string_view a, std::string_view b, SortOrderKind order) {
    thread_local RecentTextKeys recent;
    const size_t x = recent.slotOf(a, order, RecentTextKeys::kNone);
    const size_t y = recent.slotOf(b, order, x);
    if (recent.key(x) != recent.key(y)) return recent.key(x) < recent.key(y) ? -1 : 1;
    return compareTextNoCase(a, b);
}

}  // namespace jet
