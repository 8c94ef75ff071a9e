// Property blobs: the LvProp column of MSysObjects, where Access keeps the
// properties of an object (a table's Description, OrderBy, ...) and of its
// named parts (each column's DefaultValue, Required, Format, Caption, ...).
//
// Layout, all little-endian:
//   magic            'KKD\0' (Jet 3) or 'MR2\0' (Jet 4 and ACE)
//   chunks, each:    u32 length (including these 6 bytes), u16 kind, body
//     kind 0x80      the name list: u16 byte length + name, repeated
//     any other      a value list: u32 length of the map-name block (including
//                    itself), then u16 byte length + object name; then values,
//                    each: u16 length (including itself), u8 flags (bit 0: DDL),
//                    u8 data type, u16 index into the name list, u16 data
//                    length, data
// Access writes kind 0x00 for the object itself (with an empty name) and 0x01
// for a named part. Names and text are UTF-16LE (Jet 4/ACE; text values may
// also be in the compressed form) or code-page bytes (Jet 3).
//
// Both functions are pure and thread-safe.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jet/value.h"

namespace jet {

struct Property {
    std::string name;
    // The stored type code. Integer-like values keep the stored type even
    // when Access stored them wider than the type's own size.
    DataType type = DataType::Text;
    // Set for properties created through DDL (Required, AllowZeroLength, ...);
    // Access will not let a user delete those.
    bool ddl = false;
    Value value;
    // The other bits of the flag byte (ACE sets 0x80 on some properties; what
    // it means is not known), kept so that rewriting a blob preserves them.
    uint8_t otherFlags = 0;
    // The bytes the value was read from. Access stores some values wider
    // than their type (a Boolean in 2 or 4 bytes, an Integer in 4), so while
    // the value is unchanged the writer gives back these bytes.
    Blob storedData = {};

    // Equal properties: storedData is how the value was stored, not what it is.
    bool operator==(const Property& o) const {
        return name == o.name && type == o.type && ddl == o.ddl && value == o.value &&
               otherFlags == o.otherFlags;
    }
};

struct PropertyMap {
    std::string objectName;  // "" for the object itself, else e.g. a column name
    std::vector<Property> properties;

    // Case-insensitive, like every name in Access. nullptr when absent.
    const Property* find(std::string_view name) const;

    bool operator==(const PropertyMap&) const = default;
};

struct PropertyBlob {
    std::vector<PropertyMap> maps;
    // The property names as the blob listed them. Access keeps names no
    // value uses any more (a property once set and then removed), so the
    // writer lists these first, in this order, to give back a blob it read
    // byte for byte; names only the maps use follow.
    std::vector<std::string> namePool = {};

    // The map of `name` ("" for the object itself), case-insensitive;
    // nullptr when the blob holds no properties for it.
    const PropertyMap* forObject(std::string_view name) const;

    // Equal properties: the name pool is how they are stored, not what
    // they are.
    bool operator==(const PropertyBlob& other) const { return maps == other.maps; }
};

// Decodes a blob as read from LvProp. An empty blob means "no properties".
// `jet3` selects the 'KKD' form whose text is in `codePage` (a Windows code
// page number). Value decoding by type code:
//   Boolean -> boolean; Byte, Integer, Long, BigInt -> integer (by the stored
//   width: 1 byte unsigned, 2, 4 or 8 bytes signed); Currency -> currency;
//   Single -> single; Double -> real; DateTime -> dateTime; Text, Memo ->
//   text; Guid, and Binary of 16 bytes named "GUID" -> guid; anything else
//   (Binary, LongBinary, Decimal, unknown codes) -> binary with the raw bytes.
// Value lists for the same object name are merged; a property named twice
// in one object keeps its last value.
// Throws jet::Error(Corrupt) on a blob that does not follow the layout.
PropertyBlob parsePropertyBlob(std::span<const uint8_t> blob, bool jet3, uint16_t codePage = 1252);

// Encodes `blob` so that parsePropertyBlob(write(blob)) == blob. Integer-like
// values are written at their type's own width. An empty `maps` gives an
// empty result (store null in LvProp). Throws jet::Error(InvalidArgument)
// when a value does not match its type or range, text cannot be represented
// in `codePage`, a name or value exceeds the 16-bit lengths of the layout,
// or a name is repeated (case-insensitively) among maps or within a map.
std::vector<uint8_t> writePropertyBlob(const PropertyBlob& blob, bool jet3,
                                       uint16_t codePage = 1252);

}  // namespace jet
