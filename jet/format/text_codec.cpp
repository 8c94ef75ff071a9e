#include "jet/format/text_codec.h"

#include <unicode/ucnv.h>

#include <memory>
#include <mutex>
#include <string>

namespace jet {
namespace {

void appendUtf8(std::string& out, char32_t c) {
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

}  // namespace

std::string utf16ToUtf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
            s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        appendUtf8(out, c);
    }
    return out;
}

std::string utf16leToUtf8(std::span<const uint8_t> bytes) {
    std::u16string s(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < s.size(); ++i) {
        s[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return utf16ToUtf8(s);
}

std::u32string utf8ToCodePoints(std::string_view s) {
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

std::string codePointsToUtf8(std::u32string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char32_t c : s) appendUtf8(out, c > 0x10FFFF ? 0xFFFD : c);
    return out;
}

std::u16string utf8ToUtf16(std::string_view in) {
    std::u16string out;
    out.reserve(in.size());
    bool ascii = true;
    for (char c : in) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) {
        for (char c : in) out.push_back(static_cast<char16_t>(c));
        return out;
    }
    for (char32_t c : utf8ToCodePoints(in)) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

std::string decodeUnicodeText(std::span<const uint8_t> bytes) {
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        // Compressed text: runs of one-byte characters (U+0000-U+00FF) and
        // runs of UTF-16 units, each 0x00 switching between them. Decoded
        // straight into UTF-8, as every row of a scan goes through here.
        std::string out;
        out.reserve(bytes.size());
        bool compressed = true;
        char16_t pendingHigh = 0;  // a high surrogate waiting for its low half
        auto flushPending = [&] {
            if (pendingHigh != 0) appendUtf8(out, 0xFFFD);
            pendingHigh = 0;
        };
        size_t i = 2;
        while (i < bytes.size()) {
            if (bytes[i] == 0x00) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                flushPending();
                // A run of ASCII characters is copied as it is.
                size_t end = i;
                while (end < bytes.size() && bytes[end] != 0x00 && bytes[end] < 0x80) ++end;
                if (end > i) {
                    out.append(reinterpret_cast<const char*>(bytes.data() + i), end - i);
                    i = end;
                } else {
                    appendUtf8(out, bytes[i]);
                    ++i;
                }
            } else {
                if (i + 1 >= bytes.size()) break;  // a dangling half character
                const char16_t unit = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
                i += 2;
                if (unit >= 0xD800 && unit <= 0xDBFF) {
                    flushPending();
                    pendingHigh = unit;
                } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
                    if (pendingHigh == 0) {
                        appendUtf8(out, 0xFFFD);
                    } else {
                        appendUtf8(out, 0x10000 + ((pendingHigh - 0xD800) << 10) + (unit - 0xDC00));
                        pendingHigh = 0;
                    }
                } else {
                    flushPending();
                    appendUtf8(out, unit);
                }
            }
        }
        flushPending();
        return out;
    }
    return utf16leToUtf8(bytes);
}

namespace {

using ConverterPtr = std::unique_ptr<UConverter, void (*)(UConverter*)>;

// 0 means "not recorded", which Access reads as Western (1252).
ConverterPtr openCodePage(uint16_t codePage, UErrorCode& status) {
    std::string name = "windows-" + std::to_string(codePage == 0 ? 1252 : codePage);
    return ConverterPtr(ucnv_open(name.c_str(), &status), ucnv_close);
}

}  // namespace

std::optional<std::vector<uint8_t>> encodeCodePageText(std::string_view utf8, uint16_t codePage) {
    bool ascii = true;
    for (char c : utf8) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return std::vector<uint8_t>(utf8.begin(), utf8.end());
    UErrorCode status = U_ZERO_ERROR;
    ConverterPtr converter = openCodePage(codePage, status);
    if (U_FAILURE(status)) return std::nullopt;
    ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                          &status);
    std::u16string utf16 = utf8ToUtf16(utf8);
    std::vector<uint8_t> out(
        utf16.size() * static_cast<size_t>(ucnv_getMaxCharSize(converter.get())) + 1);
    int32_t length = ucnv_fromUChars(converter.get(), reinterpret_cast<char*>(out.data()),
                                     static_cast<int32_t>(out.size()), utf16.data(),
                                     static_cast<int32_t>(utf16.size()), &status);
    if (U_FAILURE(status)) return std::nullopt;
    out.resize(static_cast<size_t>(length));
    return out;
}

std::string decodeCodePageText(std::span<const uint8_t> bytes, uint16_t codePage) {
    if (bytes.empty()) return {};
    bool ascii = true;
    for (uint8_t b : bytes) ascii = ascii && b < 0x80;
    if (ascii) return std::string(bytes.begin(), bytes.end());

    UErrorCode status = U_ZERO_ERROR;
    ConverterPtr guard = openCodePage(codePage, status);
    if (U_FAILURE(status)) {
        status = U_ZERO_ERROR;
        guard = openCodePage(1252, status);
    }
    UConverter* conv = guard.get();
    if (U_FAILURE(status)) return std::string(bytes.begin(), bytes.end());
    std::u16string utf16(bytes.size() * 2 + 2, u'\0');
    int32_t n = ucnv_toUChars(conv, utf16.data(), static_cast<int32_t>(utf16.size()),
                              reinterpret_cast<const char*>(bytes.data()),
                              static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status)) return std::string(bytes.begin(), bytes.end());
    utf16.resize(static_cast<size_t>(n));
    return utf16ToUtf8(utf16);
}

}  // namespace jet
