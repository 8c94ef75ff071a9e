#include "jet/catalog/complex_columns.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

#include "jet/table/table_scan.h"

namespace jet {
namespace {

constexpr uint32_t kAttachmentRaw = 0;
constexpr uint32_t kAttachmentDeflated = 1;
constexpr size_t kAttachmentWrapperSize = 8;
// Deflate cannot expand data by more than this factor (zlib's own bound on
// its compression ratio), so a larger declared length is a lie.
constexpr uint64_t kMaxDeflateRatio = 1032;

struct ComplexColumnsRow {
    int64_t typeObjectId = 0;
    int64_t flatTableId = 0;
    int64_t conceptualTableId = 0;
};

void requireComplex(const ColumnDef& column) {
    if (column.type != DataType::Complex) {
        throw Error(ErrorCode::InvalidArgument,
                    "column '" + column.name + "' is not an attachment or multi-value column");
    }
}

std::optional<int64_t> integerValue(const Value& v) {
    if (v.is<int64_t>()) return v.as<int64_t>();
    return std::nullopt;
}

size_t requireColumn(const TableDef& def, const char* name) {
    for (size_t i = 0; i < def.columns.size(); ++i) {
        if (sameName(def.columns[i].name, name)) return i;
    }
    throwCorrupt("the system table " + def.name + " has no column " + name);
}

ComplexColumnsRow findComplexColumnsRow(Database& db, const TableDef& table,
                                        const ColumnDef& column) {
    if (!db.findObject("MSysComplexColumns")) {
        throwCorrupt("column '" + column.name + "' of table '" + table.name +
                     "' is complex but the file has no MSysComplexColumns table");
    }
    auto def = db.table("MSysComplexColumns");
    const size_t complexId = requireColumn(*def, "ComplexID"),
                 typeObject = requireColumn(*def, "ComplexTypeObjectID"),
                 flatTable = requireColumn(*def, "FlatTableID"),
                 conceptual = requireColumn(*def, "ConceptualTableID");
    TableScan scan(db, def);
    while (scan.next()) {
        if (integerValue(scan.value(complexId)) != static_cast<int64_t>(column.complexId)) continue;
        ComplexColumnsRow row;
        row.typeObjectId = integerValue(scan.value(typeObject)).value_or(0);
        row.flatTableId = integerValue(scan.value(flatTable)).value_or(0);
        row.conceptualTableId = integerValue(scan.value(conceptual)).value_or(0);
        if ((row.conceptualTableId & 0x00FFFFFF) != table.tdefPage) {
            throwCorrupt("MSysComplexColumns gives complex column " +
                         std::to_string(column.complexId) + " to another table than '" +
                         table.name + "'");
        }
        return row;
    }
    throwCorrupt("MSysComplexColumns has no row for column '" + column.name + "' of table '" +
                 table.name + "' (complex id " + std::to_string(column.complexId) + ")");
}

std::shared_ptr<const TableDef> tableById(Database& db, int64_t id, const char* role,
                                          const ColumnDef& column) {
    for (const CatalogObject& o : db.objects()) {
        if (o.type == static_cast<int16_t>(ObjectType::Table) && o.id == id) {
            return db.tableAt(o.tdefPage(), o.name);
        }
    }
    throwCorrupt("the " + std::string(role) + " table (id " + std::to_string(id) +
                 ") of complex column '" + column.name + "' is missing");
}

bool isMultiValueType(DataType t) {
    switch (t) {
        case DataType::Byte:
        case DataType::Integer:
        case DataType::Long:
        case DataType::Single:
        case DataType::Double:
        case DataType::Guid:
        case DataType::Numeric:
        case DataType::Text:
        case DataType::BigInt:
            return true;
        default:
            return false;
    }
}

// The kind by the template's shape. Extra columns are allowed, so later
// versions of a template still read.
ComplexKind kindOfTemplate(const TableDef& typeTable) {
    const auto& cols = typeTable.columns;
    if (cols.size() == 1 && isMultiValueType(cols[0].type)) return ComplexKind::MultiValue;
    auto count = [&](DataType t) {
        return std::count_if(cols.begin(), cols.end(),
                             [t](const ColumnDef& c) { return c.type == t; });
    };
    if (cols.size() >= 6 && count(DataType::Memo) >= 1 && count(DataType::Text) >= 2 &&
        count(DataType::LongBinary) >= 1 && count(DataType::DateTime) >= 1 &&
        count(DataType::Long) >= 1) {
        return ComplexKind::Attachment;
    }
    if (cols.size() >= 2 && count(DataType::Memo) >= 1 && count(DataType::DateTime) >= 1) {
        return ComplexKind::VersionHistory;
    }
    return ComplexKind::Unknown;
}

// Inflates exactly `length` bytes of a zlib stream.
Blob inflateExactly(Bytes compressed, uint32_t length) {
    if (length > compressed.size() * kMaxDeflateRatio) {
        throwCorrupt("an attachment claims " + std::to_string(length) + " bytes from " +
                     std::to_string(compressed.size()) + " compressed bytes");
    }
    // The output grows as the data really inflates, so a header claiming a
    // huge length costs nothing until the compressed bytes back it up.
    constexpr size_t kStep = 64 * 1024;
    Blob out;
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) throw Error(ErrorCode::Io, "zlib could not start inflating");
    zs.next_in = const_cast<Bytef*>(compressed.data());
    zs.avail_in = static_cast<uInt>(compressed.size());
    int rc = Z_OK;
    while (out.size() < length && rc == Z_OK) {
        size_t before = out.size();
        out.resize(std::min<size_t>(length, before + kStep));
        zs.next_out = out.data() + before;
        zs.avail_out = static_cast<uInt>(out.size() - before);
        rc = inflate(&zs, Z_NO_FLUSH);
        out.resize(out.size() - zs.avail_out);
        if (rc == Z_OK && out.size() == before) rc = Z_BUF_ERROR;  // no progress: input used up
    }
    size_t produced = out.size();
    if (rc == Z_OK) {
        // The output is full. One more step reaches the end of a stream of
        // exactly this length and checks its checksum; a longer stream is
        // tolerated (only the declared bytes belong to the attachment).
        uint8_t spare[64];
        zs.next_out = spare;
        zs.avail_out = sizeof spare;
        rc = inflate(&zs, Z_NO_FLUSH);
    }
    inflateEnd(&zs);
    if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) {
        throwCorrupt("the compressed data of an attachment is damaged");
    }
    if (produced < length) {
        throwCorrupt("the compressed data of an attachment ends after " + std::to_string(produced) +
                     " of its " + std::to_string(length) + " bytes");
    }
    return out;
}

}  // namespace

std::string complexKindName(ComplexKind kind) {
    switch (kind) {
        case ComplexKind::Attachment:
            return "attachment";
        case ComplexKind::MultiValue:
            return "multi-value";
        case ComplexKind::VersionHistory:
            return "version history";
        case ComplexKind::Unknown:
            break;
    }
    return "unknown";
}

Blob decodeAttachmentData(Bytes stored) {
    if (stored.size() < kAttachmentWrapperSize) {
        throwCorrupt("attachment data is shorter than its 8-byte header");
    }
    uint32_t kind = readU32(stored, 0);
    uint32_t length = readU32(stored, 4);
    Bytes rest = stored.subspan(kAttachmentWrapperSize);
    Blob inflated;
    Bytes content;
    if (kind == kAttachmentRaw) {
        content = subBytes(rest, 0, length, "the content of an attachment");
    } else if (kind == kAttachmentDeflated) {
        inflated = inflateExactly(rest, length);
        content = inflated;
    } else {
        throwCorrupt("attachment data has the unknown storage kind " + std::to_string(kind));
    }
    uint32_t headerLength = readU32(content, 0, "the header of an attachment");
    if (headerLength < 4 || headerLength > content.size()) {
        throwCorrupt("an attachment's header length " + std::to_string(headerLength) +
                     " does not fit its " + std::to_string(content.size()) + " bytes");
    }
    Bytes data = content.subspan(headerLength);
    return Blob(data.begin(), data.end());
}

namespace {

struct ResolvedColumn {
    ComplexColumnInfo info;
    std::shared_ptr<const TableDef> flat;
};

ResolvedColumn resolveComplexColumn(Database& db, const TableDef& table, const ColumnDef& column) {
    requireComplex(column);
    ComplexColumnsRow row = findComplexColumnsRow(db, table, column);
    auto typeTable = tableById(db, row.typeObjectId, "template", column);
    auto flatTable = tableById(db, row.flatTableId, "values", column);

    ComplexColumnInfo info;
    info.kind = kindOfTemplate(*typeTable);
    info.complexId = column.complexId;
    info.typeTable = typeTable->name;
    info.flatTable = flatTable->name;
    for (const ColumnDef& c : flatTable->columns) {
        if (typeTable->findColumn(c.name)) {
            info.valueColumns.push_back(c.name);
        } else if (c.isAutoLong()) {
            info.idColumn = c.name;
        } else if (c.type == DataType::Long) {
            info.keyColumn = c.name;
        }
    }
    if (info.keyColumn.empty() || info.idColumn.empty()) {
        throwCorrupt("the values table '" + info.flatTable + "' of complex column '" + column.name +
                     "' lacks its key or its AutoNumber column");
    }
    if (info.kind == ComplexKind::VersionHistory) {
        for (const ColumnDef& c : typeTable->columns) {
            const ColumnDef* versioned = table.findColumn(c.name);
            if (c.type == DataType::Memo && versioned) {
                info.versionedColumn = versioned->name;
                break;
            }
        }
    }
    return {std::move(info), flatTable};
}

}  // namespace

ComplexTablePages complexTablePages(Database& db) {
    ComplexTablePages pages;
    if (!db.findObject("MSysComplexColumns")) return pages;
    auto def = db.table("MSysComplexColumns");
    const size_t typeObject = requireColumn(*def, "ComplexTypeObjectID"),
                 flatTable = requireColumn(*def, "FlatTableID");
    auto pageOf = [](const std::optional<int64_t>& id) {
        return static_cast<uint32_t>(id.value_or(0)) & 0x00FFFFFF;
    };
    TableScan scan(db, def);
    while (scan.next()) {
        pages.flat.insert(pageOf(integerValue(scan.value(flatTable))));
        pages.templates.insert(pageOf(integerValue(scan.value(typeObject))));
    }
    pages.flat.erase(0);
    pages.templates.erase(0);
    return pages;
}

ComplexColumnInfo complexColumnInfo(Database& db, const TableDef& table, const ColumnDef& column) {
    return resolveComplexColumn(db, table, column).info;
}

ComplexColumnReader::ComplexColumnReader(Database& db, const TableDef& table,
                                         const ColumnDef& column)
    : db_(db), columnName_(column.name) {
    ResolvedColumn resolved = resolveComplexColumn(db, table, column);
    info_ = std::move(resolved.info);
    flat_ = std::move(resolved.flat);
    keyIndex_ = flatIndex(info_.keyColumn);
    idIndex_ = flatIndex(info_.idColumn);
}

size_t ComplexColumnReader::flatIndex(const std::string& name) const {
    for (size_t i = 0; i < flat_->columns.size(); ++i) {
        if (flat_->columns[i].name == name) return i;
    }
    throwCorrupt("the values table '" + info_.flatTable + "' has no column " + name);
}

void ComplexColumnReader::requireKind(ComplexKind kind, const char* what) const {
    if (info_.kind != kind) {
        throw Error(ErrorCode::InvalidArgument, "column '" + columnName_ + "' holds " +
                                                    complexKindName(info_.kind) + " values, not " +
                                                    what);
    }
}

std::vector<std::vector<Value>> ComplexColumnReader::rowsOf(int32_t key) {
    if (!indexed_) {
        TableScan scan(db_, flat_);
        while (scan.next()) {
            std::optional<int64_t> k = integerValue(scan.value(keyIndex_));
            if (!k) continue;  // a value that belongs to no row
            int64_t id = integerValue(scan.value(idIndex_)).value_or(0);
            byKey_[static_cast<int32_t>(*k)].push_back(Entry{id, scan.rowId()});
        }
        for (auto& [k, entries] : byKey_) {
            std::stable_sort(entries.begin(), entries.end(),
                             [](const Entry& a, const Entry& b) { return a.id < b.id; });
        }
        indexed_ = true;
    }
    std::vector<std::vector<Value>> rows;
    auto it = byKey_.find(key);
    if (it == byKey_.end()) return rows;
    for (const Entry& e : it->second) {
        std::optional<std::vector<Value>> row = readRow(db_, *flat_, e.row);
        if (!row) throwCorrupt("a row of '" + info_.flatTable + "' vanished while being read");
        rows.push_back(std::move(*row));
    }
    return rows;
}

std::vector<Value> ComplexColumnReader::multiValues(int32_t key) {
    requireKind(ComplexKind::MultiValue, "multiple values");
    size_t value = flatIndex(info_.valueColumns.at(0));
    std::vector<Value> out;
    for (auto& row : rowsOf(key)) out.push_back(std::move(row.at(value)));
    return out;
}

std::vector<Attachment> ComplexColumnReader::attachments(int32_t key, bool withData) {
    requireKind(ComplexKind::Attachment, "attachments");
    // Template columns by type; the two Text columns by name, else in order.
    std::optional<size_t> name, type, data, stamp, flags, url;
    std::vector<size_t> otherText;
    for (const std::string& n : info_.valueColumns) {
        size_t i = flatIndex(n);
        switch (flat_->columns[i].type) {
            case DataType::Text:
                if (sameName(n, "FileName")) {
                    name = i;
                } else if (sameName(n, "FileType")) {
                    type = i;
                } else {
                    otherText.push_back(i);
                }
                break;
            case DataType::Long:
                flags = i;
                break;
            case DataType::DateTime:
                stamp = i;
                break;
            case DataType::LongBinary:
                data = i;
                break;
            case DataType::Memo:
                url = i;
                break;
            default:
                break;
        }
    }
    for (size_t i : otherText) {
        if (!name) {
            name = i;
        } else if (!type) {
            type = i;
        }
    }

    auto text = [](const std::vector<Value>& row, std::optional<size_t> i) {
        if (!i || !row.at(*i).is<std::string>()) return std::optional<std::string>();
        return std::optional<std::string>(row.at(*i).as<std::string>());
    };
    std::vector<Attachment> out;
    for (const auto& row : rowsOf(key)) {
        Attachment a;
        a.fileName = text(row, name).value_or("");
        a.fileType = text(row, type).value_or("");
        a.url = text(row, url);
        if (stamp && row.at(*stamp).is<DateTimeValue>()) {
            a.timeStamp = row.at(*stamp).as<DateTimeValue>().days;
        }
        if (flags && row.at(*flags).is<int64_t>()) {
            a.flags = static_cast<int32_t>(row.at(*flags).as<int64_t>());
        }
        if (withData && data && row.at(*data).is<Blob>()) {
            a.data = decodeAttachmentData(row.at(*data).as<Blob>());
        }
        out.push_back(std::move(a));
    }
    return out;
}

std::vector<MemoVersion> ComplexColumnReader::versions(int32_t key) {
    requireKind(ComplexKind::VersionHistory, "a version history");
    std::optional<size_t> text, modified;
    for (const std::string& n : info_.valueColumns) {
        size_t i = flatIndex(n);
        if (flat_->columns[i].type == DataType::Memo && !text) text = i;
        if (flat_->columns[i].type == DataType::DateTime && !modified) modified = i;
    }
    std::vector<MemoVersion> out;
    for (const auto& row : rowsOf(key)) {
        MemoVersion v;
        if (text && row.at(*text).is<std::string>()) v.text = row.at(*text).as<std::string>();
        if (modified && row.at(*modified).is<DateTimeValue>()) {
            v.modified = row.at(*modified).as<DateTimeValue>().days;
        }
        out.push_back(std::move(v));
    }
    // Newest first; among equal times the later addition first.
    std::reverse(out.begin(), out.end());
    std::stable_sort(out.begin(), out.end(), [](const MemoVersion& a, const MemoVersion& b) {
        return a.modified.value_or(-std::numeric_limits<double>::infinity()) >
               b.modified.value_or(-std::numeric_limits<double>::infinity());
    });
    return out;
}

std::vector<Value> readMultiValues(Database& db, const TableDef& table, const ColumnDef& column,
                                   int32_t key) {
    return ComplexColumnReader(db, table, column).multiValues(key);
}

std::vector<Attachment> readAttachments(Database& db, const TableDef& table,
                                        const ColumnDef& column, int32_t key) {
    return ComplexColumnReader(db, table, column).attachments(key);
}

std::vector<MemoVersion> readVersionHistory(Database& db, const TableDef& table,
                                            const ColumnDef& column, int32_t key) {
    return ComplexColumnReader(db, table, column).versions(key);
}

}  // namespace jet
