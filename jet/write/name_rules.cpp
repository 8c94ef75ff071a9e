#include "jet/write/name_rules.h"

#include <set>

#include "jet/error.h"
#include "jet/format/text_codec.h"
#include "jet/util/names.h"

namespace jet {
namespace {

[[noreturn]] void refuseName(std::string_view name) {
    throw Error(ErrorCode::InvalidArgument,
                "'" + std::string(name) +
                    "' isn't a valid name. Make sure that it doesn't include invalid characters "
                    "or punctuation and that it isn't too long.");
}

bool isForbiddenCharacter(char16_t c) {
    return c < 0x20 || c == 0x7F || c == u'.' || c == u'!' || c == u'`' || c == u'[' || c == u']';
}

}  // namespace

void checkObjectName(std::string_view name) {
    std::u16string wide = utf8ToUtf16(name);
    if (wide.empty() || wide.size() > kMaxObjectNameLength || wide.front() == u' ') {
        refuseName(name);
    }
    for (char16_t c : wide) {
        if (isForbiddenCharacter(c)) refuseName(name);
    }
}

namespace {

// Tables and queries share one name space; `what` is the word Access's
// message uses for the new object.
void checkNewObjectName(std::string_view name, std::span<const std::string> existing,
                        const char* what) {
    checkObjectName(name);
    for (const std::string& other : existing) {
        if (sameName(name, other)) {
            throw Error(ErrorCode::InvalidArgument,
                        std::string(what) + " '" + std::string(name) + "' already exists.");
        }
    }
}

}  // namespace

void checkNewTableName(std::string_view name,
                       std::span<const std::string> existingTablesAndQueries) {
    checkNewObjectName(name, existingTablesAndQueries, "Table");
}

void checkNewQueryName(std::string_view name,
                       std::span<const std::string> existingTablesAndQueries) {
    checkNewObjectName(name, existingTablesAndQueries, "Object");
}

void checkNewColumnNames(std::string_view table, std::span<const std::string> columns) {
    std::set<std::string> seen;
    for (const std::string& column : columns) {
        checkObjectName(column);
        if (!seen.insert(foldName(column)).second) {
            throw Error(
                ErrorCode::InvalidArgument,
                "Field '" + column + "' already exists in table '" + std::string(table) + "'.");
        }
    }
}

void checkDistinctIndexNames(std::string_view table, std::span<const std::string> indexes) {
    std::set<std::string> seen;
    for (const std::string& index : indexes) {
        if (!seen.insert(foldName(index)).second) {
            throw Error(
                ErrorCode::InvalidArgument,
                "Table '" + std::string(table) + "' already has an index named '" + index + "'.");
        }
    }
}

void checkNewIndexNames(std::string_view table, std::span<const std::string> indexes) {
    for (const std::string& index : indexes) checkObjectName(index);
    checkDistinctIndexNames(table, indexes);
}

}  // namespace jet
