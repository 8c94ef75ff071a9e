// Builds text sort keys from the per-character codes.
//
// A General 2010 / General legacy key is, in order:
//   inline bytes of every character, 0x01;
//   then, only if some character needs them:
//     the extra bytes (accent and case marks, one slot per inline character,
//       0x02 for "nothing special", trailing 0x00-0x02 slots dropped);
//     if there are crazy flags or unprintable characters: 0x01 0x01, the
//       crazy flags packed three to a byte plus a fixed suffix, then 0x01 and
//       the unprintable records (position, 0x06, the character's bytes);
//   0x00.
// A General 97 key is the inline bytes, then either 0x00 or a nibble string
// of extra codes framed by 0 nibbles.
#include "jet/format/sort_order.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "jet/format/sort_order_codes.h"
#include "jet/format/text_codec.h"

namespace jet {
namespace {

using sort_order_detail::CharCode;
using sort_order_detail::CodeKind;

// Access indexes at most the length of the longest Text column.
constexpr size_t kMaxKeyCodeUnits = 255;

constexpr uint8_t kEndText = 0x01;
constexpr uint8_t kEndExtra = 0x00;
constexpr uint8_t kExtraPlaceholder = 0x02;

// An unprintable record: a big-endian position word, the midfix, the bytes.
constexpr unsigned kUnprintablePositionBase = 7;
constexpr unsigned kUnprintablePositionStep = 4;
constexpr unsigned kUnprintablePositionFlag = 0x8000;
constexpr uint8_t kUnprintableMidfix = 0x06;

constexpr uint8_t kCrazyByteStart = 0x80;
constexpr uint8_t kCrazyCodeDefault = 0x03;  // trailing ones are dropped
constexpr std::array<uint8_t, 5> kCrazySuffix{0xff, 0x02, 0x80, 0xff, 0x80};
constexpr uint8_t kCrazyBeforeUnprintable = 0xff;

constexpr std::array<uint8_t, 1> kSurrogateExtra{0x3f};

std::u16string_view keyedPart(std::u16string_view text) {
    text = text.substr(0, kMaxKeyCodeUnits);
    while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
    return text;
}

void invert(std::vector<uint8_t>& out, size_t from) {
    for (size_t i = from; i < out.size(); ++i) out[i] = static_cast<uint8_t>(~out[i]);
}

// Surrogate code units are not in the recorded tables; Access derives their
// inline bytes from the code unit: high surrogates at a fixed distance, low
// surrogates at a distance that shrinks by 2 every 254 positions of their
// 1024-unit block (after the first 8).
std::array<uint8_t, 2> surrogateInline(char16_t c, CodeKind kind) {
    unsigned distance = 10238;
    if (kind == CodeKind::LowSurrogate) {
        unsigned position = (c - 0xdc00u) % 1024u;
        if (position < 8) {
            distance = 9992;
        } else {
            distance = 9990 - 2 * ((position - 8) / 254);
            if (distance < 9984) distance = 9984;
        }
    }
    unsigned value = c - distance;
    return {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

// Characters Access sorts as several letters (ß as "ss", æ as "ae", the
// ligatures ǆ, ﬁ, ...) have as inline bytes the codes of those letters, and
// each of the letters takes a position of its own in the extra and
// unprintable sections, as the keys of Access-made General legacy and
// General 97 indexes show ("Nuß-Nougat", "großmärkte"). General 2010 is left
// counting one
// position per character: its tables make many characters (ü among them)
// two codes long, and no Access-made key has shown how it counts them.
class LetterCodes {
public:
    // `letterKinds`: the kinds of code that single letters have.
    LetterCodes(CharCode (*lookup)(char16_t), std::initializer_list<CodeKind> letterKinds)
        : unit_(lookup(u'a').bytes.size()) {
        for (unsigned c = 0; c <= 0xffff; ++c) {
            const CharCode code = lookup(static_cast<char16_t>(c));
            const bool letterLike =
                std::find(letterKinds.begin(), letterKinds.end(), code.kind) != letterKinds.end();
            if (letterLike && code.bytes.size() == unit_) {
                singles_.emplace(code.bytes.begin(), code.bytes.end());
            }
        }
    }

    // How many letters the inline bytes of `code` stand for: one, unless
    // they are the codes of several single characters one after another.
    size_t lettersOf(const CharCode& code) const {
        const size_t size = code.bytes.size();
        if (unit_ == 0 || size < 2 * unit_ || size % unit_ != 0) return 1;
        for (size_t i = 0; i < size; i += unit_) {
            if (!singles_.contains(
                    std::string(code.bytes.begin() + static_cast<long>(i),
                                code.bytes.begin() + static_cast<long>(i + unit_)))) {
                return 1;
            }
        }
        return size / unit_;
    }

private:
    size_t unit_;
    std::set<std::string, std::less<>> singles_;
};

// The extra-bytes section, one slot per letter with inline bytes.
struct ExtraCodes {
    bool started = false;
    std::vector<uint8_t> bytes;
    size_t slots = 0;           // characters accounted for so far
    size_t modifierPrefix = 0;  // a leading modifier byte with no slot of its own

    void padTo(size_t position) {
        if (slots < position) {
            bytes.insert(bytes.end(), position - slots, kExtraPlaceholder);
            slots = position;
        }
    }

    void add(size_t position, std::span<const uint8_t> extra, uint8_t modifier) {
        started = true;
        padTo(position);
        if (!extra.empty()) {
            // One byte for each letter the character stands for.
            bytes.insert(bytes.end(), extra.begin(), extra.end());
            slots += extra.size();
        } else if (!bytes.empty()) {
            bytes.back() = static_cast<uint8_t>(bytes.back() + modifier);
        } else {
            bytes.push_back(modifier);
            modifierPrefix = 1;
        }
    }

    // Slots holding only placeholders at the end carry no information.
    bool trimmedNonEmpty() {
        while (!bytes.empty() && bytes.back() <= kExtraPlaceholder) bytes.pop_back();
        return !bytes.empty();
    }
};

void appendCrazyCodes(std::vector<uint8_t>& out, std::vector<uint8_t> flags) {
    while (!flags.empty() && flags.back() == kCrazyCodeDefault) flags.pop_back();
    uint8_t current = kCrazyByteStart;
    int filled = 0;
    for (uint8_t flag : flags) {
        current = static_cast<uint8_t>(current | (flag << ((2 - filled) * 2)));
        if (++filled == 3) {
            out.push_back(current);
            current = kCrazyByteStart;
            filled = 0;
        }
    }
    if (filled > 0) out.push_back(current);
    out.insert(out.end(), kCrazySuffix.begin(), kCrazySuffix.end());
}

// The codes of the ASCII characters in one sort order, looked up once.
struct AsciiCodes {
    explicit AsciiCodes(CharCode (*lookup)(char16_t)) {
        for (char16_t c = 0; c < 128; ++c) codes[c] = lookup(c);
    }
    std::array<CharCode, 128> codes;
};

// Text of ASCII characters that are all Simple (inline bytes and nothing
// else: letters, digits, most punctuation) keys as those bytes and the
// terminators. Most text is such, and a sort keys every row; false (nothing
// written) for any other text. `text` is the keyed part already.
template <typename Char>
bool appendPlainKey(std::vector<uint8_t>& out, std::basic_string_view<Char> text,
                    const AsciiCodes& ascii) {
    const size_t start = out.size();
    for (Char ch : text) {
        const auto c = static_cast<std::make_unsigned_t<Char>>(ch);
        if (c >= 128 || ascii.codes[c].kind != CodeKind::Simple) {
            out.resize(start);
            return false;
        }
        for (uint8_t b : ascii.codes[c].bytes) out.push_back(b);
    }
    out.push_back(kEndText);
    out.push_back(kEndExtra);
    return true;
}

const AsciiCodes& legacyAscii() {
    static const AsciiCodes ascii(sort_order_detail::generalLegacyCode);
    return ascii;
}

const AsciiCodes& general2010Ascii() {
    static const AsciiCodes ascii(sort_order_detail::general2010Code);
    return ascii;
}

// A descending key: the ascending one inverted, and a plain terminator
// after it, so it still ends below every longer key's bytes.
void makeDescending(std::vector<uint8_t>& out, size_t start) {
    invert(out, start);
    out.push_back(kEndExtra);
}

void appendGeneralKey(std::vector<uint8_t>& out, std::u16string_view text, bool ascending,
                      CharCode (*lookup)(char16_t), const LetterCodes* letters,
                      const AsciiCodes& ascii) {
    const size_t start = out.size();
    out.reserve(start + 2 * text.size() + 4);
    if (appendPlainKey(out, keyedPart(text), ascii)) {
        if (!ascending) makeDescending(out, start);
        return;
    }
    ExtraCodes extra;
    std::vector<uint8_t> unprintable;
    std::vector<uint8_t> crazyFlags;
    size_t position = 0;  // counts the letters of characters with inline bytes

    for (char16_t c : keyedPart(text)) {
        CharCode code = lookup(c);
        std::array<uint8_t, 2> computed{};
        if (code.kind == CodeKind::HighSurrogate || code.kind == CodeKind::LowSurrogate) {
            computed = surrogateInline(c, code.kind);
            code.bytes = computed;
            code.extra = kSurrogateExtra;
        }
        const size_t here = position;
        if (code.kind != CodeKind::Unprintable && !code.bytes.empty()) {
            out.insert(out.end(), code.bytes.begin(), code.bytes.end());
            position += letters ? letters->lettersOf(code) : 1;
        }
        if (code.kind == CodeKind::Simple) continue;

        uint8_t modifier = code.kind == CodeKind::UnprintableExt ? code.flag : 0;
        if (!code.extra.empty() || modifier != 0) extra.add(here, code.extra, modifier);

        if (code.kind == CodeKind::Unprintable) {
            // The position counts bytes of the extra section as it will be
            // written, so it depends on the extras seen so far.
            size_t slot = here;
            if (extra.started) {
                slot = extra.bytes.size() + (here - extra.slots) - extra.modifierPrefix;
            }
            unsigned word = (kUnprintablePositionBase + kUnprintablePositionStep * slot) |
                            kUnprintablePositionFlag;
            unprintable.push_back(static_cast<uint8_t>(word >> 8));
            unprintable.push_back(static_cast<uint8_t>(word));
            unprintable.push_back(kUnprintableMidfix);
            unprintable.insert(unprintable.end(), code.bytes.begin(), code.bytes.end());
        }
        if (code.kind == CodeKind::InternationalExt) crazyFlags.push_back(code.flag);
    }

    out.push_back(kEndText);
    if (extra.started && extra.trimmedNonEmpty()) {
        out.insert(out.end(), extra.bytes.begin(), extra.bytes.end());
    }
    if (!crazyFlags.empty() || !unprintable.empty()) {
        out.push_back(kEndText);
        out.push_back(kEndText);
        if (!crazyFlags.empty()) {
            appendCrazyCodes(out, std::move(crazyFlags));
            if (!unprintable.empty()) out.push_back(kCrazyBeforeUnprintable);
        }
        if (!unprintable.empty()) {
            out.push_back(kEndText);
            out.insert(out.end(), unprintable.begin(), unprintable.end());
        }
    }
    out.push_back(kEndExtra);
    if (!ascending) {
        // The terminator is inverted with the rest, and a plain one follows,
        // so a descending key still ends below every longer key's bytes.
        invert(out, start);
        out.push_back(kEndExtra);
    }
}

// General 97 keeps its extra codes as nibbles: a 0 nibble, then for each
// international character a 2 for every significant character since the
// previous one and the character's extra code, then a closing 0 nibble.
void appendGeneral97Key(std::vector<uint8_t>& out, std::u16string_view text, bool ascending) {
    // Letters are the significant characters; ß and æ are recorded as plain
    // characters but count as the letters they stand for.
    static const LetterCodes letters(sort_order_detail::general97Code, {CodeKind::Significant});
    const size_t start = out.size();
    std::vector<uint8_t> nibbles;
    size_t significantRun = 0;

    for (char16_t c : keyedPart(text)) {
        CharCode code = sort_order_detail::general97Code(c);
        out.insert(out.end(), code.bytes.begin(), code.bytes.end());
        const size_t expanded = letters.lettersOf(code);
        if (code.kind == CodeKind::Simple) {
            if (expanded > 1) significantRun += expanded;
            continue;
        }
        if (code.kind == CodeKind::Significant) {
            significantRun += expanded;
            continue;
        }
        if (code.extra.empty()) continue;
        if (nibbles.empty()) nibbles.push_back(0);
        nibbles.insert(nibbles.end(), significantRun, kExtraPlaceholder);
        nibbles.push_back(code.extra[0] & 0x0f);
        significantRun = 0;
    }

    if (nibbles.empty()) {
        out.push_back(kEndExtra);
    } else {
        nibbles.push_back(0);
        for (size_t i = 0; i < nibbles.size(); i += 2) {
            uint8_t low = i + 1 < nibbles.size() ? nibbles[i + 1] : 0;
            out.push_back(static_cast<uint8_t>((nibbles[i] << 4) | low));
        }
    }
    if (!ascending) invert(out, start);
}

}  // namespace

void appendTextKey(std::vector<uint8_t>& out, std::u16string_view text, SortOrderKind kind,
                   bool ascending) {
    switch (kind) {
        case SortOrderKind::General97:
            appendGeneral97Key(out, text, ascending);
            return;
        case SortOrderKind::GeneralLegacy: {
            static const LetterCodes letters(
                sort_order_detail::generalLegacyCode,
                {CodeKind::Simple, CodeKind::International, CodeKind::InternationalExt});
            appendGeneralKey(out, text, ascending, sort_order_detail::generalLegacyCode, &letters,
                             legacyAscii());
            return;
        }
        case SortOrderKind::General2010:
            appendGeneralKey(out, text, ascending, sort_order_detail::general2010Code, nullptr,
                             general2010Ascii());
            return;
    }
}

void appendTextKeyOfUtf8(std::vector<uint8_t>& out, std::string_view text, SortOrderKind kind,
                         bool ascending) {
    // ASCII text, one code unit a byte, is keyed from its bytes.
    if (kind != SortOrderKind::General97) {
        std::string_view keyed = text.substr(0, kMaxKeyCodeUnits);
        while (!keyed.empty() && keyed.back() == ' ') keyed.remove_suffix(1);
        const bool ascii = std::all_of(text.begin(), text.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 128; });
        const size_t start = out.size();
        if (ascii && appendPlainKey(out, keyed,
                                    kind == SortOrderKind::GeneralLegacy ? legacyAscii()
                                                                         : general2010Ascii())) {
            if (!ascending) makeDescending(out, start);
            return;
        }
    }
    appendTextKey(out, utf8ToUtf16(text), kind, ascending);
}

std::vector<uint8_t> encodeTextKey(std::u16string_view text, SortOrderKind kind) {
    std::vector<uint8_t> out;
    appendTextKey(out, text, kind, true);
    return out;
}

}  // namespace jet
