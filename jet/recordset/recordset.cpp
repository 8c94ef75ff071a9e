#include "jet/recordset/recordset.h"

#include <algorithm>
#include <utility>

#include "jet/error.h"
#include "jet/sql/executor/executor.h"
#include "jet/sql/functions/value_ops_text.h"
#include "jet/table/index_cursor.h"
#include "jet/table/table_scan.h"

namespace jet {

namespace {

constexpr size_t kHidden = static_cast<size_t>(-1);

[[noreturn]] void throwRecordDeleted() {
    throw Error(ErrorCode::NotFound, "Record is deleted.");
}

[[noreturn]] void throwNoCurrentRecord() {
    throw Error(ErrorCode::InvalidArgument,
                "Either BOF or EOF is True, or the current record has been deleted. Requested "
                "operation requires a current record.");
}

bool hasBaseRow(const sql::ResultRow& row) {
    for (const RowPointer& id : row.rowIds) {
        if (id != sql::kNoRow) return true;
    }
    return false;
}

// Text of a value for a partial-key comparison.
bool startsWithText(const Value& value, const Value& sought, bool caseInsensitive) {
    if (!value.is<std::string>() || !sought.is<std::string>()) return false;
    const std::string& text = value.as<std::string>();
    const std::string& prefix = sought.as<std::string>();
    if (!caseInsensitive) return text.starts_with(prefix);
    return lowerText(text).starts_with(lowerText(prefix));
}

bool fieldMatches(const Value& value, const Value& sought, const LocateOptions& options) {
    if (value.isNull() || sought.isNull()) return value.isNull() && sought.isNull();
    if (options.partialKey && value.is<std::string>()) {
        return startsWithText(value, sought, options.caseInsensitive);
    }
    CompareOptions compareOptions;
    compareOptions.caseSensitive = !options.caseInsensitive;
    compareOptions.convertText = true;
    try {
        return compareValues(value, sought, compareOptions) == 0;
    } catch (const Error&) {
        return false;  // a value of another kind is simply not a match
    }
}

}  // namespace

void Recordset::open(Database& db, std::string sql, sql::QueryParameters parameters,
                     sql::ParseOptions parse) {
    db_ = nullptr;
    sql_ = std::move(sql);
    parameters_ = std::move(parameters);
    parse_ = parse;
    filter_.reset();
    filterText_.clear();
    sortKeys_.clear();
    sortText_.clear();
    buffer_.clear();
    // A failed statement leaves the recordset closed and empty, not showing
    // the rows of an earlier one.
    result_ = {};
    baseTable_.reset();
    load();
    rebuildView(std::nullopt);
    execute(db);
    db_ = &db;
    textOrder_.kind = textSortOrderOf(db);
    load();
    rebuildView(std::nullopt);
}

void Recordset::execute(Database& db) {
    sql::ExecuteOptions options;
    options.parameters = parameters_;
    options.parse = parse_;
    options.plan.rowIdsOnly = true;
    sql::QueryResult fresh = sql::executeSelect(db, sql_, options);
    std::shared_ptr<const TableDef> table;
    std::vector<size_t> columns;
    if (fresh.valuesOmitted) {
        table = db.table(fresh.rowIdTables.at(0));
        for (const sql::ResultColumn& column : fresh.columns) {
            const auto found = std::find_if(
                table->columns.begin(), table->columns.end(),
                [&](const auto& c) { return compareTextNoCase(c.name, column.baseColumn) == 0; });
            if (found == table->columns.end()) {
                throw Error(ErrorCode::Corrupt, "Column '" + column.baseColumn +
                                                    "' of the result is not in table '" +
                                                    table->name + "'.");
            }
            columns.push_back(static_cast<size_t>(found - table->columns.begin()));
        }
    }
    result_ = std::move(fresh);
    baseTable_ = std::move(table);
    baseColumns_ = std::move(columns);
    cachedRow_ = static_cast<size_t>(-1);
    cachedValues_.clear();
    peekRow_ = static_cast<size_t>(-1);
    peekValues_.clear();
}

std::optional<std::vector<Value>> Recordset::decodeRow(size_t resultRow) const {
    const sql::ResultRow& row = result_.rows.at(resultRow);
    if (deleted_.at(resultRow)) return std::nullopt;
    if (!baseTable_) return row.values;
    std::optional<std::vector<Value>> stored = readRow(*db_, *baseTable_, row.rowIds.at(0));
    if (!stored) return std::nullopt;
    std::vector<Value> values;
    values.reserve(baseColumns_.size());
    for (size_t column : baseColumns_) values.push_back(stored->at(column));
    return values;
}

const std::vector<Value>& Recordset::rowValues(size_t resultRow) const {
    if (deleted_.at(resultRow)) throwRecordDeleted();
    if (!baseTable_) return result_.rows.at(resultRow).values;
    if (cachedRow_ != resultRow) {
        std::optional<std::vector<Value>> values = decodeRow(resultRow);
        if (!values) throwRecordDeleted();
        cachedValues_ = std::move(*values);
        cachedRow_ = resultRow;
    }
    return cachedValues_;
}

void Recordset::load() {
    fields_.clear();
    for (const sql::ResultColumn& column : result_.columns) {
        fields_.push_back(
            {column.name, column.type, column.size, !column.updatable, column.required});
    }
    // Equal row ids (a result that repeats a row) are numbered in result
    // order; rows from no base row are numbered by their place.
    const size_t count = result_.rows.size();
    deleted_.assign(count, false);
    occurrence_.assign(count, 0);
    markOrder_.resize(count);
    for (size_t i = 0; i < count; ++i) markOrder_[i] = static_cast<uint32_t>(i);
    auto idsLess = [&](uint32_t a, uint32_t b) {
        const auto x = markIdsOf(a), y = markIdsOf(b);
        return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end());
    };
    // A table read in storage order gives its rows in row-id order already.
    if (!std::is_sorted(markOrder_.begin(), markOrder_.end(), idsLess)) {
        std::stable_sort(markOrder_.begin(), markOrder_.end(), idsLess);
    }
    for (size_t k = 0; k < count; ++k) {
        const uint32_t row = markOrder_[k];
        if (markIdsOf(row).empty()) {
            occurrence_[row] = row;
        } else if (k > 0 && !idsLess(markOrder_[k - 1], row)) {
            occurrence_[row] = occurrence_[markOrder_[k - 1]] + 1;
        }
    }
    markOrderIds_.clear();
    if (baseTable_) {
        markOrderIds_.reserve(count);
        for (uint32_t row : markOrder_)
            markOrderIds_.push_back(result_.rows[row].rowIds[0].packed());
    }
}

std::span<const RowPointer> Recordset::markIdsOf(size_t resultRow) const {
    const sql::ResultRow& row = result_.rows[resultRow];
    if (!hasBaseRow(row)) return {};
    return row.rowIds;
}

Bookmark Recordset::markOf(size_t resultRow) const {
    const auto ids = markIdsOf(resultRow);
    return Bookmark{std::vector<RowPointer>(ids.begin(), ids.end()), occurrence_[resultRow]};
}

std::optional<size_t> Recordset::rowOfMark(const Bookmark& mark) const {
    // -1, 0, 1 as result row `row` orders before, with or after `mark`.
    auto compare = [&](uint32_t row) {
        const auto ids = markIdsOf(row);
        const auto c = std::lexicographical_compare_three_way(
            ids.begin(), ids.end(), mark.rowIds.begin(), mark.rowIds.end());
        if (c != 0) return c < 0 ? -1 : 1;
        const size_t occurrence = occurrence_[row];
        return occurrence < mark.occurrence ? -1 : (occurrence > mark.occurrence ? 1 : 0);
    };
    const auto at = std::partition_point(markOrder_.begin(), markOrder_.end(),
                                         [&](uint32_t row) { return compare(row) < 0; });
    if (at == markOrder_.end() || compare(*at) != 0) return std::nullopt;
    return *at;
}

void Recordset::visitRows(
    const std::vector<bool>& needed,
    const std::function<void(size_t, const std::vector<Value>&)>& visit) const {
    if (!baseTable_) {
        for (size_t i = 0; i < result_.rows.size(); ++i) {
            if (!deleted_[i]) visit(i, result_.rows[i].values);
        }
        return;
    }
    // Reading the table front to back is far cheaper than reading its rows
    // one by one: the result rows, taken in bookmark order (the order of
    // their row ids), are met in the order the scan meets them.
    std::vector<size_t> wantedColumns;
    for (size_t c = 0; c < baseColumns_.size(); ++c) {
        if (needed.at(c)) wantedColumns.push_back(c);
    }
    std::vector<bool> met(result_.rows.size(), false);
    std::vector<Value> values(baseColumns_.size());
    TableScan scan(*db_, baseTable_);
    size_t next = 0;
    auto idOf = [&](size_t k) { return markOrderIds_[k]; };
    while (next < markOrder_.size() && scan.next()) {
        const uint32_t id = scan.rowId().packed();
        while (next < markOrder_.size() && idOf(next) < id) ++next;
        if (next == markOrder_.size() || idOf(next) != id) continue;
        for (size_t c : wantedColumns) values[c] = scan.value(baseColumns_[c]);
        for (; next < markOrder_.size() && idOf(next) == id; ++next) {
            const uint32_t row = markOrder_[next];
            met[row] = true;
            if (!deleted_[row]) visit(row, values);
        }
    }
    // Rows the pass did not meet (a table whose pages are not in ascending
    // order) are read one by one; those that are gone are left out.
    for (size_t i = 0; i < result_.rows.size(); ++i) {
        if (met[i]) continue;
        if (const std::optional<std::vector<Value>> row = decodeRow(i)) visit(i, *row);
    }
}

void Recordset::visitFieldValues(
    size_t index, const std::function<bool(size_t position, const Value& value)>& visit) const {
    if (index >= fields_.size()) {
        throw Error(ErrorCode::NotFound,
                    "Item cannot be found in the collection corresponding to the requested name "
                    "or ordinal.");
    }
    // visitRows has no way to stop; a stop is carried out of it as this.
    struct Stop {};
    std::vector<bool> needed(fields_.size(), false);
    needed[index] = true;
    try {
        visitRows(needed, [&](size_t resultRow, const std::vector<Value>& values) {
            const std::optional<size_t> position = viewIndexOf(resultRow);
            if (position && !visit(*position, values[index])) throw Stop{};
        });
    } catch (const Stop&) {
    }
}

void Recordset::rebuildView(const std::optional<Bookmark>& keep) {
    view_.clear();
    if (!filter_ && sortKeys_.empty()) {
        view_.reserve(result_.rows.size());
        for (size_t i = 0; i < result_.rows.size(); ++i) {
            if (!deleted_[i]) view_.push_back(i);
        }
    } else {
        // Only the columns the filter and the sort read are decoded.
        std::vector<bool> needed(fields_.size(), false);
        if (filter_) needed = filter_->usesColumn();
        for (const ResolvedSortKey& key : sortKeys_) needed.at(key.column) = true;
        SortKeyTable keys(sortKeys_, result_.columns, result_.rows.size(), textOrder_);
        std::vector<bool> visible(result_.rows.size(), false);
        visitRows(needed, [&](size_t row, const std::vector<Value>& values) {
            if (filter_ && !filter_->passes(values)) return;
            visible[row] = true;
            if (!keys.empty()) keys.collect(row, values);
        });
        for (size_t i = 0; i < visible.size(); ++i) {
            if (visible[i]) view_.push_back(i);
        }
        keys.sort(view_);
    }
    viewPosition_.assign(result_.rows.size(), kHidden);
    for (size_t i = 0; i < view_.size(); ++i) viewPosition_[view_[i]] = i;
    cursor_ = 0;
    if (keep) {
        if (const auto row = rowOfMark(*keep)) {
            if (auto at = viewIndexOf(*row)) cursor_ = static_cast<long>(*at);
        }
    }
}

std::optional<size_t> Recordset::viewIndexOf(size_t resultRow) const {
    if (resultRow >= viewPosition_.size() || viewPosition_[resultRow] == kHidden) {
        return std::nullopt;
    }
    return viewPosition_[resultRow];
}

void Recordset::first() {
    cursor_ = 0;
}

void Recordset::last() {
    cursor_ = static_cast<long>(view_.size()) - 1;
}

void Recordset::next() {
    if (!isEof()) ++cursor_;
}

void Recordset::prior() {
    if (!isBof()) --cursor_;
}

void Recordset::moveBy(long n) {
    const long size = static_cast<long>(view_.size());
    cursor_ = std::clamp(cursor_ + n, -1L, size);
}

size_t Recordset::recNo() const {
    return hasCurrent() ? static_cast<size_t>(cursor_) + 1 : 0;
}

std::optional<size_t> Recordset::fieldIndex(std::string_view name) const {
    for (size_t i = 0; i < fields_.size(); ++i) {
        if (compareTextNoCase(fields_[i].name, name) == 0) return i;
    }
    return std::nullopt;
}

const std::vector<Value>& Recordset::currentValues() const {
    if (!hasCurrent()) throwNoCurrentRecord();
    return rowValues(view_[static_cast<size_t>(cursor_)]);
}

const Value& Recordset::value(size_t index) const {
    if (index >= fields_.size()) {
        throw Error(ErrorCode::NotFound,
                    "Item cannot be found in the collection corresponding to the requested name "
                    "or ordinal.");
    }
    // While a record is being edited its fields show what was typed.
    if (buffer_.state() == EditState::Insert) return buffer_.value(index);
    if (buffer_.state() == EditState::Edit && hasCurrent() &&
        view_[static_cast<size_t>(cursor_)] == editRow_) {
        return buffer_.value(index);
    }
    return currentValues()[index];
}

const Value& Recordset::valueAt(size_t position, size_t index) const {
    if (index >= fields_.size()) {
        throw Error(ErrorCode::NotFound,
                    "Item cannot be found in the collection corresponding to the requested name "
                    "or ordinal.");
    }
    if (position >= view_.size()) throwNoCurrentRecord();
    const size_t resultRow = view_[position];
    if (!baseTable_) return result_.rows.at(resultRow).values.at(index);
    if (peekRow_ != resultRow) {
        std::optional<std::vector<Value>> values = decodeRow(resultRow);
        if (!values) throwRecordDeleted();
        peekValues_ = std::move(*values);
        peekRow_ = resultRow;
    }
    return peekValues_.at(index);
}

const Value& Recordset::value(std::string_view name) const {
    const std::optional<size_t> index = fieldIndex(name);
    if (!index) {
        throw Error(ErrorCode::NotFound,
                    "Item cannot be found in the collection corresponding to the requested name "
                    "or ordinal.");
    }
    return value(*index);
}

std::optional<Bookmark> Recordset::bookmark() const {
    if (!hasCurrent()) return std::nullopt;
    return markOf(view_[static_cast<size_t>(cursor_)]);
}

bool Recordset::isBookmarkValid(const Bookmark& mark) const {
    const std::optional<size_t> row = rowOfMark(mark);
    return row && viewIndexOf(*row).has_value();
}

bool Recordset::moveToBookmark(const Bookmark& mark) {
    const std::optional<size_t> row = rowOfMark(mark);
    if (!row) return false;
    const std::optional<size_t> at = viewIndexOf(*row);
    if (!at) return false;
    cursor_ = static_cast<long>(*at);
    return true;
}

RecordFilter Recordset::compileFilter(std::string_view text, bool caseSensitive) const {
    // Text compares by the order the sort uses: the database's sort order,
    // or by folded characters when the caller gave its own comparison.
    std::optional<SortOrderKind> order;
    if (!textOrder_.custom) order = textOrder_.kind;
    return RecordFilter::compile(text, result_.columns, caseSensitive, order);
}

void Recordset::setCaseSensitive(bool caseSensitive) {
    if (caseSensitive == caseSensitive_) return;
    std::optional<RecordFilter> recompiled;
    if (filter_) recompiled = compileFilter(filterText_, caseSensitive);
    caseSensitive_ = caseSensitive;
    filter_ = std::move(recompiled);
    rebuildView(bookmark());
}

void Recordset::setFilter(std::string_view text) {
    const bool blank = text.find_first_not_of(" \t\r\n") == std::string_view::npos;
    std::optional<RecordFilter> compiled;
    // Compiled before anything changes, so a refused text leaves the old one.
    if (!blank) compiled = compileFilter(text, caseSensitive_);
    const std::optional<Bookmark> keep = bookmark();
    filter_ = std::move(compiled);
    filterText_ = blank ? std::string() : std::string(text);
    rebuildView(keep);
}

void Recordset::setTextCollation(TextCollation collation) {
    textOrder_.custom = ValueOrder(std::move(collation));
    if (filter_) filter_ = compileFilter(filterText_, caseSensitive_);
    rebuildView(bookmark());
}

void Recordset::setSort(std::string_view text) {
    std::vector<ResolvedSortKey> keys = resolveSortText(text, result_.columns);
    const std::optional<Bookmark> keep = bookmark();
    sortKeys_ = std::move(keys);
    sortText_ = sortKeys_.empty() ? std::string() : std::string(text);
    rebuildView(keep);
}

bool Recordset::locate(std::string_view fields, const std::vector<Value>& values,
                       const LocateOptions& options) {
    std::vector<size_t> columns;
    size_t from = 0;
    while (from <= fields.size()) {
        size_t end = fields.find(';', from);
        if (end == std::string_view::npos) end = fields.size();
        std::string_view name = fields.substr(from, end - from);
        while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
        while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
        if (name.size() >= 2 && name.front() == '[' && name.back() == ']') {
            name = name.substr(1, name.size() - 2);
        }
        const std::optional<size_t> index = fieldIndex(name);
        if (!index) {
            throw Error(ErrorCode::NotFound,
                        "Item cannot be found in the collection corresponding to the requested "
                        "name or ordinal. (" +
                            std::string(name) + ")");
        }
        columns.push_back(*index);
        from = end + 1;
    }
    if (columns.size() != values.size()) {
        throw Error(ErrorCode::InvalidArgument,
                    "Locate needs one value for each field: " + std::to_string(columns.size()) +
                        " fields, " + std::to_string(values.size()) + " values.");
    }
    auto matches = [&](const std::vector<Value>& row) {
        for (size_t k = 0; k < columns.size(); ++k) {
            if (!fieldMatches(row[columns[k]], values[k], options)) return false;
        }
        return true;
    };
    // The first records are read one by one, as a match is often near the
    // top; beyond them one pass over the table (decoding only the fields
    // sought) costs far less than reading each record on its own.
    constexpr size_t kReadOneByOne = 256;
    const size_t head = baseTable_ ? std::min(view_.size(), kReadOneByOne) : view_.size();
    for (size_t i = 0; i < head; ++i) {
        const std::optional<std::vector<Value>> row = decodeRow(view_[i]);
        if (row && matches(*row)) {
            cursor_ = static_cast<long>(i);
            return true;
        }
    }
    if (head == view_.size()) return false;
    std::vector<bool> needed(fields_.size(), false);
    for (size_t column : columns) needed[column] = true;
    size_t best = view_.size();
    visitRows(needed, [&](size_t row, const std::vector<Value>& rowValues) {
        const std::optional<size_t> at = viewIndexOf(row);
        if (at && *at >= head && *at < best && matches(rowValues)) best = *at;
    });
    if (best == view_.size()) return false;
    cursor_ = static_cast<long>(best);
    return true;
}

void Recordset::requery() {
    if (!db_)
        throw Error(ErrorCode::InvalidArgument,
                    "Operation is not allowed when the object is closed.");
    const std::optional<Bookmark> keep = bookmark();
    std::optional<Value> firstValue;
    if (hasCurrent() && !fields_.empty()) {
        const auto row = decodeRow(view_[static_cast<size_t>(cursor_)]);
        if (row) firstValue = (*row)[0];
    }

    execute(*db_);
    buffer_.clear();
    load();
    // The same SQL gives the same columns, so filter and sort still resolve;
    // should a stored query have changed under us, they are dropped.
    try {
        if (filter_) filter_ = compileFilter(filterText_, caseSensitive_);
    } catch (const Error&) {
        filter_.reset();
        filterText_.clear();
    }
    try {
        sortKeys_ = resolveSortText(sortText_, result_.columns);
    } catch (const Error&) {
        sortKeys_.clear();
        sortText_.clear();
    }
    rebuildView(keep);
    if (keep && isBookmarkValid(*keep)) return;
    if (firstValue) {
        for (size_t i = 0; i < view_.size(); ++i) {
            const std::optional<std::vector<Value>> row = decodeRow(view_[i]);
            if (row && (*row)[0] == *firstValue) {
                cursor_ = static_cast<long>(i);
                return;
            }
        }
    }
    cursor_ = 0;
}

}  // namespace jet
