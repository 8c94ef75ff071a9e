#include "jet/util/names.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include <algorithm>

#include "jet/format/text_codec.h"

namespace jet {
namespace {

bool isAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string foldName(std::string_view name) {
    if (isAscii(name)) {
        std::string out(name);
        std::transform(out.begin(), out.end(), out.begin(), asciiLower);
        return out;
    }
    std::u16string wide = utf8ToUtf16(name);
    std::u16string folded(wide.size() * 3 + 1, u'\0');  // full folding may grow (ß -> ss)
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = u_strFoldCase(folded.data(), static_cast<int32_t>(folded.size()), wide.data(),
                                   static_cast<int32_t>(wide.size()), U_FOLD_CASE_DEFAULT, &status);
    if (U_FAILURE(status)) return std::string(name);
    folded.resize(static_cast<size_t>(length));
    return utf16ToUtf8(folded);
}

bool sameName(std::string_view a, std::string_view b) {
    if (isAscii(a) && isAscii(b)) {
        return a.size() == b.size() &&
               std::equal(a.begin(), a.end(), b.begin(),
                          [](char x, char y) { return asciiLower(x) == asciiLower(y); });
    }
    return foldName(a) == foldName(b);
}

}  // namespace jet
