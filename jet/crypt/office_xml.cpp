#include "jet/crypt/office_xml.h"

#include <charconv>

#include "jet/error.h"

namespace jet::office {

namespace {

[[noreturn]] void throwBadXml(const std::string& what) {
    throwCorrupt("the encryption descriptor is not well-formed XML (" + what + ")");
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xc0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3f)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xe0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3f)));
    } else {
        out.push_back(static_cast<char>(0xf0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3f)));
    }
}

std::string resolveEntities(std::string_view raw) {
    std::string out;
    size_t i = 0;
    while (i < raw.size()) {
        if (raw[i] != '&') {
            out.push_back(raw[i++]);
            continue;
        }
        const size_t end = raw.find(';', i);
        if (end == std::string_view::npos) throwBadXml("unterminated entity reference");
        const std::string_view name = raw.substr(i + 1, end - i - 1);
        if (name == "amp") {
            out.push_back('&');
        } else if (name == "lt") {
            out.push_back('<');
        } else if (name == "gt") {
            out.push_back('>');
        } else if (name == "quot") {
            out.push_back('"');
        } else if (name == "apos") {
            out.push_back('\'');
        } else if (name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x';
            const std::string_view digits = name.substr(hex ? 2 : 1);
            uint32_t cp = 0;
            auto [ptr, ec] =
                std::from_chars(digits.data(), digits.data() + digits.size(), cp, hex ? 16 : 10);
            if (ec != std::errc() || ptr != digits.data() + digits.size() || digits.empty() ||
                cp == 0 || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) {
                throwBadXml("bad character reference");
            }
            appendUtf8(out, cp);
        } else {
            throwBadXml("unknown entity reference");
        }
        i = end + 1;
    }
    return out;
}

class TagReader {
public:
    explicit TagReader(std::string_view xml) : xml_(xml) {}

    std::vector<XmlElement> readAll() {
        std::vector<XmlElement> elements;
        while ((pos_ = xml_.find('<', pos_)) != std::string_view::npos) {
            if (startsWith("<?")) {
                skipPast("?>", "processing instruction");
            } else if (startsWith("<!--")) {
                skipPast("-->", "comment");
            } else if (startsWith("<!") || startsWith("</")) {
                skipPast(">", "tag");
            } else {
                ++pos_;
                elements.push_back(readStartTag());
            }
        }
        return elements;
    }

private:
    bool startsWith(std::string_view prefix) const { return xml_.substr(pos_).starts_with(prefix); }

    void skipPast(std::string_view terminator, const char* what) {
        const size_t end = xml_.find(terminator, pos_);
        if (end == std::string_view::npos) throwBadXml(std::string("unterminated ") + what);
        pos_ = end + terminator.size();
    }

    void skipSpace() {
        while (pos_ < xml_.size() && isSpace(xml_[pos_])) ++pos_;
    }

    char peek() const {
        if (pos_ >= xml_.size()) throwBadXml("a tag is cut off");
        return xml_[pos_];
    }

    std::string_view readName() {
        const size_t start = pos_;
        while (pos_ < xml_.size() && !isSpace(xml_[pos_]) && xml_[pos_] != '/' &&
               xml_[pos_] != '>' && xml_[pos_] != '=') {
            ++pos_;
        }
        if (pos_ == start) throwBadXml("a name is missing");
        return xml_.substr(start, pos_ - start);
    }

    XmlElement readStartTag() {
        XmlElement element;
        const std::string_view name = readName();
        const size_t colon = name.rfind(':');
        element.localName =
            std::string(colon == std::string_view::npos ? name : name.substr(colon + 1));
        while (true) {
            skipSpace();
            const char c = peek();
            if (c == '>') {
                ++pos_;
                return element;
            }
            if (c == '/') {
                ++pos_;
                if (peek() != '>') throwBadXml("'/' not followed by '>'");
                ++pos_;
                return element;
            }
            std::string attrName(readName());
            skipSpace();
            if (peek() != '=') throwBadXml("attribute without a value");
            ++pos_;
            skipSpace();
            const char quote = peek();
            if (quote != '"' && quote != '\'') throwBadXml("attribute value without quotes");
            const size_t end = xml_.find(quote, pos_ + 1);
            if (end == std::string_view::npos) throwBadXml("unterminated attribute value");
            element.attributes.emplace_back(std::move(attrName),
                                            resolveEntities(xml_.substr(pos_ + 1, end - pos_ - 1)));
            pos_ = end + 1;
        }
    }

    std::string_view xml_;
    size_t pos_ = 0;
};

int base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

std::optional<std::string_view> XmlElement::attribute(std::string_view name) const {
    for (const auto& [key, value] : attributes) {
        if (key == name) return std::string_view(value);
    }
    return std::nullopt;
}

std::vector<XmlElement> readXmlElements(std::string_view xml) {
    return TagReader(xml).readAll();
}

ByteVector decodeBase64(std::string_view text, const char* what) {
    auto fail = [&]() -> void {
        throwCorrupt(std::string("the encryption descriptor's ") + what + " is not valid base64");
    };
    ByteVector out;
    uint32_t bits = 0;
    int bitCount = 0;
    size_t symbols = 0;
    size_t padding = 0;
    for (char c : text) {
        if (isSpace(c)) continue;
        if (c == '=') {
            ++padding;
            ++symbols;
            continue;
        }
        const int value = base64Value(c);
        if (value < 0 || padding > 0) fail();
        ++symbols;
        bits = (bits << 6) | static_cast<uint32_t>(value);
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            out.push_back(static_cast<uint8_t>(bits >> bitCount));
            bits &= (1u << bitCount) - 1;
        }
    }
    if (symbols % 4 != 0 || padding > 2) fail();
    return out;
}

}  // namespace jet::office
