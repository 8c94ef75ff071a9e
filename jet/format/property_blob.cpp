#include "jet/format/property_blob.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "jet/error.h"
#include "jet/format/text_codec.h"
#include "jet/util/bytes.h"
#include "jet/util/names.h"

namespace jet {
namespace {

constexpr std::array<uint8_t, 4> kJet3Magic = {'K', 'K', 'D', 0};
constexpr std::array<uint8_t, 4> kJet4Magic = {'M', 'R', '2', 0};
constexpr uint16_t kNameListChunk = 0x80;
constexpr uint16_t kObjectValuesChunk = 0x00;
constexpr uint16_t kPartValuesChunk = 0x01;
constexpr size_t kChunkHeaderSize = 6;    // u32 length, u16 kind
constexpr size_t kMapNameHeaderSize = 4;  // u32 length of the map-name block
constexpr size_t kValueHeaderSize = 8;    // u16 length, u8 flags, u8 type, u16 name, u16 size
constexpr uint8_t kDdlFlag = 0x01;
constexpr size_t kMaxU16 = std::numeric_limits<uint16_t>::max();

struct TextForm {
    bool jet3;
    uint16_t codePage;
};

std::string at(size_t offset) {
    return " at offset " + std::to_string(offset);
}

[[noreturn]] void throwBadBlob(const std::string& what) {
    throwCorrupt("property blob: " + what);
}

[[noreturn]] void throwBadInput(const std::string& what) {
    throw Error(ErrorCode::InvalidArgument, "Cannot store the properties: " + what + ".");
}

// ---------------------------------------------------------------- reading

std::string decodeName(Bytes bytes, const TextForm& form, size_t offset) {
    if (form.jet3) return decodeCodePageText(bytes, form.codePage);
    if (bytes.size() % 2 != 0) {
        throwBadBlob("a UTF-16 name" + at(offset) + " has an odd length of " +
                     std::to_string(bytes.size()) + " bytes");
    }
    return utf16leToUtf8(bytes);
}

// Reads "u16 length + bytes" at `pos` inside `body` (which starts at blob
// offset `base`), advancing `pos`.
std::string readLengthPrefixedName(Bytes body, size_t& pos, size_t base, const TextForm& form,
                                   const char* what) {
    if (body.size() - pos < 2) {
        throwBadBlob(std::string("the length of ") + what + at(base + pos) +
                     " is cut off by the end of its chunk");
    }
    size_t length = readU16(body, pos, what);
    if (body.size() - pos - 2 < length) {
        throwBadBlob(std::string(what) + at(base + pos) + " claims " + std::to_string(length) +
                     " bytes but only " + std::to_string(body.size() - pos - 2) +
                     " remain in its chunk");
    }
    std::string name = decodeName(subBytes(body, pos + 2, length, what), form, base + pos);
    pos += 2 + length;
    return name;
}

int64_t decodeInteger(Bytes data, DataType type, const std::string& name) {
    switch (data.size()) {
        case 1:
            return readU8(data, 0);
        case 2:
            return readI16(data, 0);
        case 4:
            return readI32(data, 0);
        case 8:
            return readI64(data, 0);
    }
    throwBadBlob("property '" + name + "' of type " + dataTypeName(type) + " has " +
                 std::to_string(data.size()) + " bytes of data");
}

void requireSize(Bytes data, size_t size, DataType type, const std::string& name) {
    if (data.size() != size) {
        throwBadBlob("property '" + name + "' of type " + dataTypeName(type) + " has " +
                     std::to_string(data.size()) + " bytes of data instead of " +
                     std::to_string(size));
    }
}

Guid toGuid(Bytes data) {
    Guid g;
    std::copy(data.begin(), data.end(), g.bytes.begin());
    return g;
}

// Access marks a column's or table's GUID property as Binary.
bool isGuidProperty(DataType type, const std::string& name, size_t size) {
    return type == DataType::Binary && size == 16 && sameName(name, "GUID");
}

Value decodeValue(Bytes data, DataType type, const std::string& name, const TextForm& form) {
    switch (type) {
        case DataType::Boolean:
            // Access stores Booleans in 1, 2 or 4 bytes.
            if (data.empty()) requireSize(data, 1, type, name);
            return Value::boolean(
                std::any_of(data.begin(), data.end(), [](uint8_t b) { return b != 0; }));
        case DataType::Byte:
        case DataType::Integer:
        case DataType::Long:
        case DataType::BigInt:
            return Value::integer(decodeInteger(data, type, name));
        case DataType::Currency:
            requireSize(data, 8, type, name);
            return Value::currency(readI64(data, 0));
        case DataType::Single:
            requireSize(data, 4, type, name);
            return Value::single(readF32(data, 0));
        case DataType::Double:
            requireSize(data, 8, type, name);
            return Value::real(readF64(data, 0));
        case DataType::DateTime:
            requireSize(data, 8, type, name);
            return Value::dateTime(readF64(data, 0));
        case DataType::Text:
        case DataType::Memo:
            return Value::text(form.jet3 ? decodeCodePageText(data, form.codePage)
                                         : decodeUnicodeText(data));
        case DataType::Guid:
            requireSize(data, 16, type, name);
            return Value::guid(toGuid(data));
        default:
            if (isGuidProperty(type, name, data.size())) return Value::guid(toGuid(data));
            return Value::binary(Blob(data.begin(), data.end()));
    }
}

// One pass over a blob. Lookups go through hash tables keyed by folded
// names, so a hostile blob with many maps or values costs linear time.
class BlobParser {
public:
    explicit BlobParser(TextForm form) : form_(form) {}

    void readNameList(Bytes body, size_t base) {
        names_.clear();
        result_.namePool.clear();
        size_t pos = 0;
        while (pos < body.size()) {
            std::string name = readLengthPrefixedName(body, pos, base, form_, "a property name");
            std::string folded = foldName(name);
            result_.namePool.push_back(name);
            names_.push_back({std::move(name), std::move(folded)});
        }
    }

    void readValueList(Bytes body, size_t base) {
        size_t pos = 0;
        std::string objectName;
        if (!body.empty()) {
            pos = readObjectBlock(body, base, objectName);
        }
        size_t mapIndex = mapFor(objectName);

        while (pos < body.size()) {
            size_t valueOffset = base + pos;
            if (body.size() - pos < kValueHeaderSize) {
                throwBadBlob("the property value" + at(valueOffset) +
                             " is cut off by the end of its chunk");
            }
            size_t valueLength = readU16(body, pos, "a property value length");
            uint8_t flags = readU8(body, pos + 2, "a property flag byte");
            auto type = static_cast<DataType>(readU8(body, pos + 3, "a property type"));
            size_t nameIndex = readU16(body, pos + 4, "a property name index");
            size_t dataSize = readU16(body, pos + 6, "a property data length");
            if (valueLength < kValueHeaderSize + dataSize || valueLength > body.size() - pos) {
                throwBadBlob("the property value" + at(valueOffset) + " has a length of " +
                             std::to_string(valueLength) + " for " + std::to_string(dataSize) +
                             " bytes of data with " + std::to_string(body.size() - pos) +
                             " bytes left in its chunk");
            }
            if (nameIndex >= names_.size()) {
                throwBadBlob("the property value" + at(valueOffset) + " refers to name " +
                             std::to_string(nameIndex) + " of a name list with " +
                             std::to_string(names_.size()) + " entries");
            }
            const NameEntry& name = names_[nameIndex];
            Bytes data = subBytes(body, pos + kValueHeaderSize, dataSize, "property data");
            Property& property = propertyFor(mapIndex, name);
            property.type = type;
            property.ddl = (flags & kDdlFlag) != 0;
            property.otherFlags = static_cast<uint8_t>(flags & ~kDdlFlag);
            property.value = decodeValue(data, type, name.name, form_);
            property.storedData.assign(data.begin(), data.end());
            pos += valueLength;
        }
    }

    PropertyBlob take() { return std::move(result_); }

private:
    struct NameEntry {
        std::string name;
        std::string folded;
    };

    // Reads the block that names the object of a value list; returns where
    // the values start.
    size_t readObjectBlock(Bytes body, size_t base, std::string& objectName) {
        if (body.size() < kMapNameHeaderSize) {
            throwBadBlob("the object name block" + at(base) +
                         " is cut off by the end of its chunk");
        }
        size_t blockLength = readU32(body, 0, "an object name block length");
        if (blockLength < kMapNameHeaderSize || blockLength > body.size()) {
            throwBadBlob("the object name block" + at(base) + " has a length of " +
                         std::to_string(blockLength) + " in a chunk body of " +
                         std::to_string(body.size()) + " bytes");
        }
        Bytes block = subBytes(body, 0, blockLength, "an object name block");
        size_t namePos = kMapNameHeaderSize;
        // The object itself has a block of 6 bytes: its length and an empty name.
        if (block.size() > kMapNameHeaderSize + 2) {
            objectName = readLengthPrefixedName(block, namePos, base, form_, "an object name");
        }
        return blockLength;
    }

    size_t mapFor(const std::string& objectName) {
        auto [it, added] = mapIndex_.emplace(foldName(objectName), result_.maps.size());
        if (added) {
            result_.maps.push_back(PropertyMap{objectName, {}});
            propertyIndex_.emplace_back();
        }
        return it->second;
    }

    Property& propertyFor(size_t mapIndex, const NameEntry& name) {
        std::vector<Property>& properties = result_.maps[mapIndex].properties;
        auto [it, added] = propertyIndex_[mapIndex].emplace(name.folded, properties.size());
        if (added) properties.push_back(Property{name.name, DataType::Text, false, Value(), 0});
        return properties[it->second];
    }

    TextForm form_;
    std::vector<NameEntry> names_;
    PropertyBlob result_;
    std::unordered_map<std::string, size_t> mapIndex_;
    std::vector<std::unordered_map<std::string, size_t>> propertyIndex_;  // per map
};

// ---------------------------------------------------------------- writing

class BlobWriter {
public:
    void bytes(std::span<const uint8_t> b) { out_.insert(out_.end(), b.begin(), b.end()); }
    void u8(uint8_t v) { out_.push_back(v); }
    void u16(uint16_t v) {
        out_.push_back(static_cast<uint8_t>(v));
        out_.push_back(static_cast<uint8_t>(v >> 8));
    }
    void u32(uint32_t v) {
        for (int i = 0; i < 4; ++i) out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    size_t size() const { return out_.size(); }
    // Fills a length reserved earlier with the distance from `start` to here.
    void patchU16(size_t start) {
        writeU16(out_, start, static_cast<uint16_t>(out_.size() - start));
    }
    void patchU32(size_t start) {
        writeU32(out_, start, static_cast<uint32_t>(out_.size() - start));
    }
    std::vector<uint8_t> take() { return std::move(out_); }

private:
    std::vector<uint8_t> out_;
};

Blob encodeText(std::string_view utf8, const TextForm& form) {
    if (form.jet3) {
        std::optional<Blob> encoded = encodeCodePageText(utf8, form.codePage);
        if (!encoded) {
            throwBadInput("the text \"" + std::string(utf8) + "\" cannot be written in code page " +
                          std::to_string(form.codePage));
        }
        return *encoded;
    }
    std::u16string utf16 = utf8ToUtf16(utf8);
    Blob out;
    out.reserve(utf16.size() * 2);
    for (char16_t c : utf16) {
        out.push_back(static_cast<uint8_t>(c));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
    return out;
}

void writeName(BlobWriter& w, std::string_view name, const TextForm& form) {
    Blob encoded = encodeText(name, form);
    if (encoded.size() > kMaxU16)
        throwBadInput("the name \"" + std::string(name) + "\" is too long");
    w.u16(static_cast<uint16_t>(encoded.size()));
    w.bytes(encoded);
}

template <typename T>
const T& valueAs(const Property& p) {
    if (!p.value.is<T>()) {
        throwBadInput("property '" + p.name + "' does not hold a " + dataTypeName(p.type) +
                      " value");
    }
    return p.value.as<T>();
}

Blob littleEndian(uint64_t bits, size_t width) {
    Blob out(width);
    for (size_t i = 0; i < width; ++i) out[i] = static_cast<uint8_t>(bits >> (8 * i));
    return out;
}

Blob encodeFloat(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return littleEndian(bits, 4);
}

Blob encodeDouble(double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    return littleEndian(bits, 8);
}

Blob encodeInteger(const Property& p, int64_t min, int64_t max, size_t width) {
    int64_t v = valueAs<int64_t>(p);
    if (v < min || v > max) {
        throwBadInput("property '" + p.name + "' value " + std::to_string(v) +
                      " is out of range for " + dataTypeName(p.type));
    }
    return littleEndian(static_cast<uint64_t>(v), width);
}

Blob encodeGuid(const Guid& g) {
    return Blob(g.bytes.begin(), g.bytes.end());
}

Blob encodeValue(const Property& p, const TextForm& form) {
    switch (p.type) {
        case DataType::Boolean:
            return Blob{static_cast<uint8_t>(valueAs<bool>(p) ? 1 : 0)};
        case DataType::Byte:
            return encodeInteger(p, 0, 255, 1);
        case DataType::Integer:
            return encodeInteger(p, INT16_MIN, INT16_MAX, 2);
        case DataType::Long:
            return encodeInteger(p, INT32_MIN, INT32_MAX, 4);
        case DataType::BigInt:
            return encodeInteger(p, INT64_MIN, INT64_MAX, 8);
        case DataType::Currency:
            return littleEndian(static_cast<uint64_t>(valueAs<CurrencyValue>(p).tenThousandths), 8);
        case DataType::Single:
            return encodeFloat(valueAs<float>(p));
        case DataType::Double:
            return encodeDouble(valueAs<double>(p));
        case DataType::DateTime:
            return encodeDouble(valueAs<DateTimeValue>(p).days);
        case DataType::Text:
        case DataType::Memo:
            return encodeText(valueAs<std::string>(p), form);
        case DataType::Guid:
            return encodeGuid(valueAs<Guid>(p));
        default:
            if (p.value.is<Guid>() && isGuidProperty(p.type, p.name, 16)) {
                return encodeGuid(p.value.as<Guid>());
            }
            return valueAs<Blob>(p);
    }
}

void checkUniqueNames(const PropertyBlob& blob) {
    std::unordered_set<std::string> objects;
    for (const PropertyMap& map : blob.maps) {
        if (!objects.insert(foldName(map.objectName)).second) {
            throwBadInput("the object \"" + map.objectName + "\" has two property maps");
        }
        std::unordered_set<std::string> properties;
        for (const Property& p : map.properties) {
            if (!properties.insert(foldName(p.name)).second) {
                throwBadInput("the property '" + p.name + "' appears twice for \"" +
                              map.objectName + "\"");
            }
        }
    }
}

// Whether the bytes a property was read from still hold its value.
bool storedDataStillValid(const Property& p, const TextForm& form) {
    if (p.storedData.empty()) return false;
    try {
        return decodeValue(p.storedData, p.type, p.name, form) == p.value;
    } catch (const Error&) {
        return false;
    }
}

void writeValueList(BlobWriter& w, const PropertyMap& map,
                    const std::unordered_map<std::string, uint16_t>& nameIndex,
                    const TextForm& form) {
    size_t chunkStart = w.size();
    w.u32(0);
    w.u16(map.objectName.empty() ? kObjectValuesChunk : kPartValuesChunk);
    size_t nameBlockStart = w.size();
    w.u32(0);
    writeName(w, map.objectName, form);
    w.patchU32(nameBlockStart);
    for (const Property& p : map.properties) {
        Blob data = storedDataStillValid(p, form) ? p.storedData : encodeValue(p, form);
        if (data.size() > kMaxU16 - kValueHeaderSize) {
            throwBadInput("the value of property '" + p.name + "' is too long");
        }
        size_t valueStart = w.size();
        w.u16(0);
        w.u8(static_cast<uint8_t>((p.otherFlags & ~kDdlFlag) | (p.ddl ? kDdlFlag : 0)));
        w.u8(static_cast<uint8_t>(p.type));
        w.u16(nameIndex.at(p.name));
        w.u16(static_cast<uint16_t>(data.size()));
        w.bytes(data);
        w.patchU16(valueStart);
    }
    w.patchU32(chunkStart);
}

}  // namespace

const Property* PropertyMap::find(std::string_view name) const {
    for (const Property& p : properties) {
        if (sameName(p.name, name)) return &p;
    }
    return nullptr;
}

const PropertyMap* PropertyBlob::forObject(std::string_view name) const {
    for (const PropertyMap& map : maps) {
        if (sameName(map.objectName, name)) return &map;
    }
    return nullptr;
}

PropertyBlob parsePropertyBlob(std::span<const uint8_t> blob, bool jet3, uint16_t codePage) {
    if (blob.empty()) return {};

    const auto& expected = jet3 ? kJet3Magic : kJet4Magic;
    const auto& other = jet3 ? kJet4Magic : kJet3Magic;
    if (blob.size() < expected.size() ||
        !std::equal(expected.begin(), expected.end(), blob.begin())) {
        bool otherVersion =
            blob.size() >= other.size() && std::equal(other.begin(), other.end(), blob.begin());
        throwBadBlob(otherVersion
                         ? std::string("a ") + (jet3 ? "Jet 4" : "Jet 3") +
                               " property header in a " + (jet3 ? "Jet 3" : "Jet 4") + " database"
                         : std::string("it does not start with the '") + (jet3 ? "KKD" : "MR2") +
                               "' header");
    }

    BlobParser parser(TextForm{jet3, codePage});
    size_t pos = expected.size();
    while (pos < blob.size()) {
        if (blob.size() - pos < kChunkHeaderSize) {
            throwBadBlob("the chunk header" + at(pos) + " is cut off by the end of the blob");
        }
        size_t length = readU32(blob, pos, "a property chunk length");
        uint16_t kind = readU16(blob, pos + 4, "a property chunk kind");
        if (length < kChunkHeaderSize || length > blob.size() - pos) {
            throwBadBlob("the chunk" + at(pos) + " has a length of " + std::to_string(length) +
                         " with " + std::to_string(blob.size() - pos) + " bytes left in the blob");
        }
        size_t bodyStart = pos + kChunkHeaderSize;
        Bytes body = subBytes(blob, bodyStart, length - kChunkHeaderSize, "a property chunk");
        if (kind == kNameListChunk) {
            parser.readNameList(body, bodyStart);
        } else {
            // Kinds other than 0x00 and 0x01 have not been seen; reading them
            // as value lists is what they look like.
            parser.readValueList(body, bodyStart);
        }
        pos += length;
    }
    return parser.take();
}

std::vector<uint8_t> writePropertyBlob(const PropertyBlob& blob, bool jet3, uint16_t codePage) {
    if (blob.maps.empty()) return {};
    checkUniqueNames(blob);
    TextForm form{jet3, codePage};

    std::vector<std::string_view> names;
    std::unordered_map<std::string, uint16_t> nameIndex;
    const auto listName = [&](const std::string& name) {
        if (nameIndex.count(name)) return;
        if (names.size() > kMaxU16)
            throwBadInput("there are more property names than a blob can hold");
        nameIndex.emplace(name, static_cast<uint16_t>(names.size()));
        names.push_back(name);
    };
    for (const std::string& name : blob.namePool) listName(name);
    for (const PropertyMap& map : blob.maps)
        for (const Property& p : map.properties) listName(p.name);

    BlobWriter w;
    w.bytes(jet3 ? kJet3Magic : kJet4Magic);
    size_t nameChunkStart = w.size();
    w.u32(0);
    w.u16(kNameListChunk);
    for (std::string_view name : names) writeName(w, name, form);
    w.patchU32(nameChunkStart);

    for (const PropertyMap& map : blob.maps) writeValueList(w, map, nameIndex, form);
    return w.take();
}

}  // namespace jet
