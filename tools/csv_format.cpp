#include "tools/csv_format.h"

#include "jet/value_text.h"

namespace tools {

std::string csvQuote(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::string csvField(const jet::Value& v) {
    const std::string text = jet::valueText(v);
    return jet::isTextLike(v) ? csvQuote(text) : text;
}

}  // namespace tools
