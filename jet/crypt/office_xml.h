// Just enough XML for the agile encryption descriptor: the start tags of a
// small, machine-written document with their attributes, and base64 values.
// No DTDs, no namespaces beyond dropping the prefix, no text content.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "jet/crypt/office_primitives.h"

namespace jet::office {

struct XmlElement {
    std::string localName;  // element name without its namespace prefix
    std::vector<std::pair<std::string, std::string>> attributes;  // entity references resolved

    // Value of the attribute named `name` (exact, prefix included), if any.
    std::optional<std::string_view> attribute(std::string_view name) const;
};

// Start and empty-element tags in document order. Throws jet::Error
// (Corrupt) for a tag or attribute that is cut off or malformed.
std::vector<XmlElement> readXmlElements(std::string_view xml);

// Decodes standard base64 ('=' padding, whitespace ignored). Throws
// jet::Error (Corrupt) naming `what` for anything else.
ByteVector decodeBase64(std::string_view text, const char* what);

}  // namespace jet::office
