#include "jet/sql/value_ops_text.h"

#include <unicode/uchar.h>

namespace jet {

std::string asciiUpper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::u32string decodeUtf8(std::string_view s) {
    std::u32string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            out.push_back(c);
            ++i;
            continue;
        }
        int extra = c >= 0xF0 && c < 0xF5   ? 3
                    : c >= 0xE0 && c < 0xF0 ? 2
                    : c >= 0xC2 && c < 0xE0 ? 1
                                            : -1;
        if (extra < 0) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        char32_t cp = c & (0x3F >> extra);
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            if (i + static_cast<size_t>(k) >= s.size()) {
                ok = false;
                break;
            }
            unsigned char cc = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
            if ((cc & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!ok) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        out.push_back(cp);
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}

std::string encodeUtf8(std::u32string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char32_t c : s) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
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
    std::u32string cps = decodeUtf8(s);
    for (char32_t& c : cps) c = static_cast<char32_t>(u_toupper(static_cast<UChar32>(c)));
    return encodeUtf8(cps);
}

std::string lowerText(std::string_view s) {
    std::u32string cps = decodeUtf8(s);
    for (char32_t& c : cps) c = static_cast<char32_t>(u_tolower(static_cast<UChar32>(c)));
    return encodeUtf8(cps);
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
    std::u32string cp = decodeUtf8(s.substr(start, len));
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

std::string utf8FromUtf16Bytes(const Blob& bytes) {
    std::u32string cps;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t u = static_cast<char32_t>(bytes[i] | (bytes[i + 1] << 8));
        if (u >= 0xD800 && u < 0xDC00 && i + 3 < bytes.size()) {
            char32_t lo = static_cast<char32_t>(bytes[i + 2] | (bytes[i + 3] << 8));
            if (lo >= 0xDC00 && lo < 0xE000) {
                cps.push_back(0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
                i += 2;
                continue;
            }
        }
        cps.push_back(u >= 0xD800 && u < 0xE000 ? 0xFFFD : u);
    }
    return encodeUtf8(cps);
}

}  // namespace jet
