#include "jet/write/collations.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

#include "jet/error.h"

namespace jet {
namespace {

constexpr std::array<Collation, 20> kCollations{{
    {1033, 1252, "General"},
    {1025, 1256, "Arabic"},
    {1029, 1250, "Czech"},
    {1043, 1252, "Dutch"},
    {1032, 1253, "Greek"},
    {1037, 1255, "Hebrew"},
    {1038, 1250, "Hungarian"},
    {1039, 1252, "Icelandic"},
    {1041, 932, "Japanese"},
    {1042, 949, "Korean"},
    {1030, 1252, "Norwegian and Danish"},
    {1045, 1250, "Polish"},
    {1049, 1251, "Russian"},
    {2052, 936, "Simplified Chinese"},
    {1060, 1250, "Slovenian"},
    {1034, 1252, "Spanish"},
    {1053, 1252, "Swedish and Finnish"},
    {1054, 874, "Thai"},
    {1028, 950, "Traditional Chinese"},
    {1055, 1254, "Turkish"},
}};

const Collation* findCollation(uint16_t lcid) {
    auto it = std::find_if(kCollations.begin(), kCollations.end(),
                           [lcid](const Collation& c) { return c.lcid == lcid; });
    return it == kCollations.end() ? nullptr : &*it;
}

[[noreturn]] void refuseCollation(uint16_t lcid) {
    throw Error(ErrorCode::InvalidArgument, "Sort order " + std::to_string(lcid) +
                                                " is not one a database can be created with.");
}

std::string lowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

uint16_t parseNumber(std::string_view key, std::string_view value, int base) {
    std::string_view digits = trimBlanks(value);
    if (base == 16 && digits.size() >= 2 && digits[0] == '0' &&
        (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
    }
    uint32_t n = 0;
    bool any = false;
    for (char c : digits) {
        int d;
        if (c >= '0' && c <= '9') {
            d = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            d = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            d = c - 'A' + 10;
        } else {
            any = false;
            break;
        }
        n = n * static_cast<uint32_t>(base) + static_cast<uint32_t>(d);
        if (n > 0xFFFF) break;
        any = true;
    }
    if (!any || n > 0xFFFF) {
        throw Error(ErrorCode::InvalidArgument, "The locale setting " + std::string(key) + "=" +
                                                    std::string(value) + " is not valid.");
    }
    return static_cast<uint16_t>(n);
}

}  // namespace

std::span<const Collation> knownCollations() {
    return kCollations;
}

bool isKnownCollation(uint16_t lcid) {
    return findCollation(lcid) != nullptr;
}

uint16_t collationCodePage(uint16_t lcid) {
    const Collation* c = findCollation(lcid);
    if (c == nullptr) refuseCollation(lcid);
    return c->codePage;
}

LocaleSpec parseLocaleText(std::string_view text) {
    LocaleSpec spec;
    while (!text.empty()) {
        size_t end = text.find(';');
        std::string_view part = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        size_t eq = part.find('=');
        if (eq == std::string_view::npos) continue;
        std::string key = lowerAscii(trimBlanks(part.substr(0, eq)));
        std::string_view value = part.substr(eq + 1);
        if (key == "langid") {
            spec.lcid = parseNumber(key, value, 16);
        } else if (key == "cp") {
            spec.codePage = parseNumber(key, value, 10);
        } else if (key == "pwd") {
            spec.password = std::string(value);
        }
    }
    return spec;
}

std::string localeText(uint16_t lcid) {
    char buf[64];
    std::snprintf(buf, sizeof buf, ";LANGID=0x%04X;CP=%u;COUNTRY=0", lcid,
                  static_cast<unsigned>(collationCodePage(lcid)));
    return buf;
}

SortOrder sortOrderFor(JetVersion v, uint16_t lcid) {
    if (!isKnownCollation(lcid)) refuseCollation(lcid);
    return SortOrder{lcid, static_cast<uint8_t>(v >= JetVersion::Ace14 ? 1 : 0)};
}

}  // namespace jet
