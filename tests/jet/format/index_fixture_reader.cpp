#include "tests/jet/format/index_fixture_reader.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "jet/format/index_key.h"
#include "jet/util/bytes.h"

namespace jet::index_test {
namespace {

constexpr uint16_t kGeneralLocale = 1033;
constexpr uint8_t kColumnFixedFlag = 0x01;

// Offsets of the table definition and its parts, per format.
struct TdefLayout {
    size_t numVarCols, numCols, numRealIndexes, indexCountBlock, indexCountSize;
    size_t columnSize, columnNumber, columnVarIndex, columnSortOrder, columnPrecision, columnScale,
        columnFlags, columnFixedOffset, columnLength;
    size_t realIndexSize, realIndexColumns, realIndexRoot;
};

constexpr TdefLayout kJet3Tdef{23, 25, 31, 43, 8, 18, 1, 3, 9, 11, 12, 13, 14, 16, 39, 0, 34};
constexpr TdefLayout kJet4Tdef{43, 45, 51, 63, 12, 25, 5, 7, 11, 11, 12, 15, 21, 23, 52, 4, 38};

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xc0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3f));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xe0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (cp & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3f));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (cp & 0x3f));
    }
}

// Unpaired surrogates are kept as their own code points (encoded like any
// other), so the key builder sees the same code units Access indexed.
std::string utf16ToUtf8(const std::u16string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xd800 && c < 0xdc00 && i + 1 < s.size() && s[i + 1] >= 0xdc00 &&
            s[i + 1] < 0xe000) {
            c = 0x10000 + ((c - 0xd800) << 10) + (s[i + 1] - 0xdc00);
            ++i;
        }
        appendUtf8(out, c);
    }
    return out;
}

// Windows-1252 bytes 0x80-0x9f; the five undefined ones map to themselves.
constexpr char16_t kCp1252High[32] = {
    0x20ac, 0x0081, 0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021, 0x02c6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008d, 0x017d, 0x008f, 0x0090, 0x2018, 0x2019, 0x201c, 0x201d, 0x2022,
    0x2013, 0x2014, 0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0x009d, 0x017e, 0x0178};

std::u16string decodeJet3Text(Bytes b) {
    std::u16string out;
    for (uint8_t c : b) out.push_back(c >= 0x80 && c < 0xa0 ? kCp1252High[c - 0x80] : c);
    return out;
}

// UTF-16LE, or the compressed form: 0xff 0xfe, then runs of one-byte and
// two-byte characters switched by a 0x00 byte.
std::u16string decodeJet4Text(Bytes b) {
    std::u16string out;
    if (b.size() >= 2 && b[0] == 0xff && b[1] == 0xfe) {
        bool compressed = true;
        size_t i = 2;
        while (i < b.size()) {
            if (b[i] == 0x00) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                out.push_back(b[i++]);
            } else {
                if (i + 1 >= b.size()) break;
                out.push_back(static_cast<char16_t>(b[i] | (b[i + 1] << 8)));
                i += 2;
            }
        }
        return out;
    }
    for (size_t i = 0; i + 1 < b.size(); i += 2) {
        out.push_back(static_cast<char16_t>(b[i] | (b[i + 1] << 8)));
    }
    return out;
}

size_t fixedSize(const FixtureColumn& c) {
    switch (c.type) {
        case DataType::Byte:
            return 1;
        case DataType::Integer:
            return 2;
        case DataType::Long:
        case DataType::Single:
            return 4;
        case DataType::Currency:
        case DataType::Double:
        case DataType::DateTime:
        case DataType::BigInt:
            return 8;
        case DataType::Guid:
            return 16;
        case DataType::Numeric:
            return 17;
        default:
            return c.length;
    }
}

}  // namespace

const FixtureColumn* FixtureTable::column(uint16_t number) const {
    for (const auto& c : columns) {
        if (c.number == number) return &c;
    }
    return nullptr;
}

FixtureFile::FixtureFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    data_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    const uint8_t version = readU8(data_, 0x14);
    jet3_ = version == 0;
    ace_ = version >= 2;
    pageSize_ = jet3_ ? 2048 : 4096;
}

std::span<const uint8_t> FixtureFile::page(uint32_t number) const {
    return subBytes(data_, size_t{number} * pageSize_, pageSize_, "a fixture page");
}

std::vector<FixtureTable> FixtureFile::tables() const {
    // The catalogue (MSysObjects, whose definition is always page 2) lists
    // every table; rows of type 1 are local tables and their Id holds the
    // definition page. Pages that merely look like definitions (freed or
    // reused ones) are never considered.
    constexpr uint32_t kCatalogPage = 2;
    constexpr int64_t kLocalTable = 1;
    const FixtureTable catalog = parseTable(kCatalogPage);
    const FixtureColumn* id = nullptr;
    const FixtureColumn* type = nullptr;
    for (const auto& c : catalog.columns) {
        if (c.name == "Id") id = &c;
        if (c.name == "Type") type = &c;
    }
    if (!id || !type) throw std::runtime_error("no catalogue columns Id/Type");

    std::vector<FixtureTable> out;
    const size_t rowCountAt = jet3_ ? 8 : 12;
    const size_t rowTable = jet3_ ? 10 : 14;
    for (uint32_t p = 1; p < pageCount(); ++p) {
        Bytes pg = page(p);
        if (pg[0] != 0x01 || readU32(pg, 4) != kCatalogPage) continue;
        const uint16_t rows = readU16(pg, rowCountAt);
        for (uint16_t r = 0; r < rows; ++r) {
            if (readU16(pg, rowTable + 2 * size_t{r}) & 0x8000) continue;  // deleted
            const auto row = static_cast<uint8_t>(r);
            Value t = rowValue(catalog, *type, p, row);
            if (t.isNull() || t.as<int64_t>() != kLocalTable) continue;
            const auto defPage =
                static_cast<uint32_t>(rowValue(catalog, *id, p, row).as<int64_t>());
            out.push_back(parseTable(defPage & 0x00ffffff));
        }
    }
    return out;
}

FixtureTable FixtureFile::parseTable(uint32_t firstPage) const {
    // A definition spanning pages continues after each next page's 8-byte header.
    std::vector<uint8_t> def;
    uint32_t p = firstPage;
    for (int guard = 0; p != 0 && guard < 64; ++guard) {
        Bytes pg = page(p);
        def.insert(def.end(), pg.begin() + (def.empty() ? 0 : 8), pg.end());
        p = readU32(pg, 4);
    }
    const TdefLayout& L = jet3_ ? kJet3Tdef : kJet4Tdef;
    FixtureTable table;
    table.tableDefPage = firstPage;
    const uint16_t numCols = readU16(def, L.numCols);
    const uint32_t numRealIndexes = readU32(def, L.numRealIndexes);
    size_t pos = L.indexCountBlock + numRealIndexes * L.indexCountSize;

    for (uint16_t i = 0; i < numCols; ++i, pos += L.columnSize) {
        FixtureColumn c;
        c.type = static_cast<DataType>(readU8(def, pos));
        c.number = readU16(def, pos + L.columnNumber);
        c.varIndex = readU16(def, pos + L.columnVarIndex);
        c.precision = readU8(def, pos + L.columnPrecision);
        c.scale = readU8(def, pos + L.columnScale);
        c.fixed = (readU8(def, pos + L.columnFlags) & kColumnFixedFlag) != 0;
        c.fixedOffset = readU16(def, pos + L.columnFixedOffset);
        c.length = readU16(def, pos + L.columnLength);
        if (c.type == DataType::Text || c.type == DataType::Memo) {
            const uint16_t locale = readU16(def, pos + L.columnSortOrder);
            if (locale == kGeneralLocale) {
                if (jet3_) {
                    c.sortOrder = SortOrderKind::General97;
                } else {
                    const uint8_t version = readU8(def, pos + L.columnSortOrder + 3);
                    if (version == 0) c.sortOrder = SortOrderKind::GeneralLegacy;
                    if (version == 1) c.sortOrder = SortOrderKind::General2010;
                }
            }
        }
        table.columns.push_back(c);
    }
    for (auto& c : table.columns) {
        if (jet3_) {
            const uint8_t n = readU8(def, pos);
            Bytes name = subBytes(def, pos + 1, n);
            c.name.assign(name.begin(), name.end());
            pos += 1 + n;
        } else {
            const uint16_t n = readU16(def, pos);
            Bytes name = subBytes(def, pos + 2, n);
            std::u16string u;
            for (size_t k = 0; k + 1 < name.size(); k += 2) {
                u.push_back(static_cast<char16_t>(name[k] | (name[k + 1] << 8)));
            }
            c.name = utf16ToUtf8(u);
            pos += 2 + n;
        }
    }
    for (uint32_t i = 0; i < numRealIndexes; ++i, pos += L.realIndexSize) {
        FixtureIndex index;
        for (size_t k = 0; k < 10; ++k) {
            const size_t at = pos + L.realIndexColumns + 3 * k;
            const uint16_t number = readU16(def, at);
            if (number == 0xffff) continue;
            index.columns.push_back({number, (readU8(def, at + 2) & 0x01) != 0});
        }
        index.rootPage = readU32(def, pos + L.realIndexRoot);
        table.indexes.push_back(index);
    }
    return table;
}

Value FixtureFile::rowValue(const FixtureTable& table, const FixtureColumn& column,
                            uint32_t pageNumber, uint8_t row) const {
    const size_t rowTable = jet3_ ? 10 : 14;
    const size_t rowCountAt = jet3_ ? 8 : 12;
    Bytes pg = page(pageNumber);
    bool first = true;
    for (int hops = 0;; ++hops) {
        if (pg[0] != 0x01 || readU32(pg, 4) != table.tableDefPage || hops > 4) {
            throw std::runtime_error("row pointer does not lead to a data page of the table");
        }
        if (row >= readU16(pg, rowCountAt)) throw std::runtime_error("no such row");
        const uint16_t raw = readU16(pg, rowTable + 2 * size_t{row});
        if (first && (raw & 0x8000)) throw std::runtime_error("deleted row");
        const size_t start = raw & 0x1fff;
        const size_t end = row == 0 ? pageSize_ : (readU16(pg, rowTable + 2 * (row - 1u)) & 0x1fff);
        if (end < start) throw std::runtime_error("bad row bounds");
        Bytes data = subBytes(pg, start, end - start);
        if (raw & 0x4000) {  // overflow: the row lives elsewhere
            row = readU8(data, 0);
            pageNumber = readU24(data, 1);
            pg = page(pageNumber);
            first = false;
            continue;
        }

        const size_t colCount = jet3_ ? readU8(data, 0) : readU16(data, 0);
        const size_t maskSize = (colCount + 7) / 8;
        if (data.size() < maskSize) throw std::runtime_error("short row");
        Bytes mask = data.subspan(data.size() - maskSize);
        const bool present = column.number < colCount &&
                             (mask[column.number / 8] & (1u << (column.number % 8))) != 0;
        if (column.type == DataType::Boolean) return Value::boolean(present);
        if (!present) return Value::null();

        Bytes bytes;
        if (column.fixed) {
            bytes = subBytes(data, (jet3_ ? 1 : 2) + size_t{column.fixedOffset}, fixedSize(column));
        } else if (!jet3_) {
            const size_t varCount = readU16(data, data.size() - maskSize - 2);
            if (column.varIndex >= varCount) return Value::null();
            const size_t at = data.size() - maskSize - 4 - 2 * size_t{column.varIndex};
            const uint16_t from = readU16(data, at);
            const uint16_t to = readU16(data, at - 2);
            if (to < from) throw std::runtime_error("bad variable column bounds");
            bytes = subBytes(data, from, to - from);
        } else {
            // Jet 3: one-byte offsets plus a jump table counting 256-byte steps.
            const size_t rowEnd = data.size() - 1;
            const size_t varCount = readU8(data, rowEnd - maskSize);
            if (column.varIndex >= varCount) return Value::null();
            size_t jumps = (data.size() - 1) / 256;
            const size_t colOffset = rowEnd - maskSize - jumps - 1;
            if ((colOffset - varCount) / 256 < jumps) --jumps;
            auto offsetOf = [&](size_t i) {
                size_t used = 0;
                for (size_t j = 0; j < jumps; ++j) {
                    if (readU8(data, rowEnd - maskSize - j - 1) <= i) used = j + 1;
                }
                return readU8(data, colOffset - i) + 256 * used;
            };
            const size_t from = offsetOf(column.varIndex);
            const size_t to = offsetOf(column.varIndex + 1u);
            if (to < from) throw std::runtime_error("bad variable column bounds");
            bytes = subBytes(data, from, to - from);
        }

        switch (column.type) {
            case DataType::Byte:
                return Value::integer(bytes[0]);
            case DataType::Integer:
                return Value::integer(readI16(bytes, 0));
            case DataType::Long:
                return Value::integer(readI32(bytes, 0));
            case DataType::BigInt:
                return Value::integer(readI64(bytes, 0));
            case DataType::Currency:
                return Value::currency(readI64(bytes, 0));
            case DataType::Single:
                return Value::single(readF32(bytes, 0));
            case DataType::Double:
                return Value::real(readF64(bytes, 0));
            case DataType::DateTime:
                return Value::dateTime(readF64(bytes, 0));
            case DataType::Guid: {
                Guid g;
                for (size_t i = 0; i < 16; ++i) g.bytes[i] = bytes[i];
                return Value::guid(g);
            }
            case DataType::Numeric: {
                Decimal d;
                d.negative = (bytes[0] & 0x80) != 0;
                d.precision = column.precision;
                d.scale = column.scale;
                // Stored most significant 32-bit word first, each little-endian.
                for (size_t w = 0; w < 4; ++w) d.magnitude[3 - w] = readU32(bytes, 1 + 4 * w);
                return Value::decimal(d);
            }
            case DataType::Text:
                return Value::text(
                    utf16ToUtf8(jet3_ ? decodeJet3Text(bytes) : decodeJet4Text(bytes)));
            case DataType::Binary:
                return Value::binary(Blob(bytes.begin(), bytes.end()));
            default:
                throw std::runtime_error("column type not decoded by the test reader");
        }
    }
}

namespace {

void walkPage(const FixtureFile& file, uint32_t tableDefPage, uint32_t pageNumber, int depth,
              IndexWalk& walk) {
    if (depth > 16) throw std::runtime_error("index tree too deep");
    const IndexPage page = parseIndexPage(file.page(pageNumber), file.jet3());
    if (page.tableDefPage != tableDefPage) {
        throw std::runtime_error("index page " + std::to_string(pageNumber) +
                                 " belongs to another table");
    }
    if (page.leaf) {
        walk.leafPages.push_back(pageNumber);
        walk.entries.insert(walk.entries.end(), page.entries.begin(), page.entries.end());
        return;
    }
    ++walk.nodePages;
    bool tailListed = page.tailPage == 0;
    for (const auto& entry : page.entries) {
        const size_t before = walk.entries.size();
        walkPage(file, tableDefPage, entry.childPage, depth + 1, walk);
        tailListed = tailListed || entry.childPage == page.tailPage;
        if (walk.entries.size() == before) continue;
        const IndexEntry& last = walk.entries.back();
        if (last.key != entry.key || last.dataPage != entry.dataPage ||
            last.dataRow != entry.dataRow) {
            throw std::runtime_error("intermediate entry on page " + std::to_string(pageNumber) +
                                     " is not the last entry of its child");
        }
    }
    // The tail child holds entries appended since the page was last rebuilt.
    if (!tailListed) walkPage(file, tableDefPage, page.tailPage, depth + 1, walk);
}

}  // namespace

IndexWalk walkIndex(const FixtureFile& file, uint32_t tableDefPage, uint32_t rootPage) {
    IndexWalk walk;
    walkPage(file, tableDefPage, rootPage, 0, walk);
    return walk;
}

bool indexIsCheckable(const FixtureTable& table, const FixtureIndex& index) {
    for (const auto& c : index.columns) {
        const FixtureColumn* column = table.column(c.columnNumber);
        if (!column) return false;
        switch (column->type) {
            case DataType::Text:
                if (!column->sortOrder) return false;
                break;
            case DataType::Memo:
            case DataType::LongBinary:
            case DataType::Complex:
            case DataType::ExtDateTime:
                return false;
            default:
                break;
        }
    }
    return !index.columns.empty();
}

std::vector<uint8_t> expectedKey(const FixtureFile& file, const FixtureTable& table,
                                 const FixtureIndex& index, uint32_t page, uint8_t row) {
    std::vector<uint8_t> key;
    for (const auto& c : index.columns) {
        const FixtureColumn& column = *table.column(c.columnNumber);
        appendIndexKey(key, file.rowValue(table, column, page, row), column.type, c.ascending,
                       column.sortOrder.value_or(SortOrderKind::General97),
                       file.ace() ? NumericKeyForm::Ace : NumericKeyForm::Jet);
    }
    return key;
}

}  // namespace jet::index_test
