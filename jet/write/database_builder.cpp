#include "jet/write/database_builder.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>
#include <unordered_set>

#include "jet/error.h"
#include "jet/format/index_key.h"
#include "jet/table/index_cursor.h"
#include "jet/table/row_rules.h"
#include "jet/format/data_page_builder.h"
#include "jet/write/header_writer.h"
#include "jet/write/index_builder.h"
#include "jet/write/index_key_collector.h"
#include "jet/write/row_appender.h"
#include "jet/write/system_catalog.h"
#include "jet/write/table_def_writer.h"
#include "jet/write/table_writer_calculated.h"
#include "jet/write/usage_map_writer.h"
#include "jet/format/value_encoder.h"

namespace jet {

namespace {

constexpr int32_t kFirstOtherObjectId = static_cast<int32_t>(0x80000000u);
constexpr int16_t kQueryObjectType = 5;

double accessNow() {
    using namespace std::chrono;
    const double seconds = duration<double>(system_clock::now().time_since_epoch()).count();
    // Whole seconds: Access shows and compares creation dates to the second.
    return std::floor(seconds) / 86400.0 + 25569.0;
}

}  // namespace

DatabaseBuilder::CatalogEntry DatabaseBuilder::catalogEntry(std::string name, int32_t id,
                                                            int16_t type, uint32_t flags,
                                                            Blob properties) {
    CatalogEntry entry;
    entry.name = std::move(name);
    entry.id = id;
    entry.type = type;
    entry.flags = flags;
    entry.properties = std::move(properties);
    return entry;
}

// The open data page that collects usage-map rows.
struct DatabaseBuilder::OpenPage {
    uint32_t number;
    DataPageBuilder page;
};

// One index column as the key builder needs it.
struct KeyColumn {
    size_t columnIndex;
    DataType type;
    bool ascending;
    SortOrderKind textOrder;
};

struct KeyPlan {
    std::vector<KeyColumn> columns;
    bool unique = false;
    bool ignoreNulls = false;
    bool required = false;
    IndexKeyCollector keys;
    // Rows whose key holds a null: they never collide in a unique index.
    std::unordered_set<uint32_t> rowsWithNull;
};

// Everything a table needs while its rows stream in.
class TableRowsWriter {
public:
    TableRowsWriter(DatabaseBuilder& owner, TableDef def, std::vector<ColumnRule> rules)
        : owner_(owner),
          def_(std::move(def)),
          storageDef_(storageDefinition(def_)),
          rules_(std::move(rules)),
          appender_(owner.sink(), storageDef_, owner.version(), owner.options().codePage) {
        rules_.resize(def_.columns.size());
        if (def_.nextAutoNumber == 0) def_.nextAutoNumber = 1;
        const IndexKeyForms forms = indexKeyForms(owner.options().sortOrder, owner.version());
        numericForm_ = forms.numeric;
        for (const RealIndexDef& real : def_.realIndexes) {
            KeyPlan plan;
            plan.unique = (real.flags & kIndexUnique) != 0;
            plan.ignoreNulls = (real.flags & kIndexIgnoreNulls) != 0;
            plan.required = (real.flags & kIndexRequired) != 0;
            for (const IndexColumn& ic : real.columns) {
                size_t at = columnIndexOf(ic.columnNumber);
                const ColumnDef& c = def_.columns[at];
                // A complex column's value is the Long key of its rows in
                // the flat table, and is indexed as such.
                const DataType keyType = c.type == DataType::Complex ? DataType::Long : c.type;
                plan.columns.push_back(KeyColumn{at, keyType, ic.ascending, textOrderOf(forms)});
            }
            plans_.push_back(std::move(plan));
        }
    }

    void addRow(std::span<const Value> values) {
        if (values.size() != def_.columns.size())
            throw Error(ErrorCode::InvalidArgument, "a row of table '" + def_.name + "' needs " +
                                                        std::to_string(def_.columns.size()) +
                                                        " values, not " +
                                                        std::to_string(values.size()));
        row_.clear();
        for (size_t i = 0; i < values.size(); ++i) row_.push_back(prepare(i, values[i]));
        const RowPointer where = appender_.append(storedRow());
        for (KeyPlan& plan : plans_) addKey(plan, where);
    }

    uint32_t rowCount() const { return appender_.rowCount(); }
    const TableDef& def() const { return def_; }
    std::span<const Value> lastRow() const { return row_; }

    // Indexes, usage maps and the definition.
    void finish() {
        appender_.finish();
        const JetVersion v = owner_.version();
        PageSink& sink = owner_.sink();
        for (size_t i = 0; i < plans_.size(); ++i) {
            KeyPlan& plan = plans_[i];
            plan.keys.sort();
            if (plan.unique) checkUnique(plan);
            const BuiltIndex built = buildIndex(sink, v, def_.tdefPage, plan.keys);
            def_.realIndexes[i].rootPage = built.rootPage;
            def_.realIndexes[i].entryCount = static_cast<uint32_t>(plan.keys.size());
            def_.realIndexes[i].usageMapPointer = owner_.placeUsageMap(built.pages).packed();
        }
        def_.rowCount = appender_.rowCount();
        def_.usageMapPointer = owner_.placeUsageMap(appender_.dataPages()).packed();
        def_.freeMapPointer = owner_.placeUsageMap(appender_.dataPagesWithRoom()).packed();
        owner_.assignLongValueMaps(def_, appender_);
        writeTableDef(sink, def_.tdefPage, def_, v, owner_.options().codePage);
    }

private:
    // Calculated columns are stored wrapped in a variable slot; the row
    // encoder sees them as the binary columns they are stored as.
    static TableDef storageDefinition(const TableDef& def) {
        TableDef stored = def;
        for (ColumnDef& c : stored.columns) c = calculatedStorageColumn(c);
        return stored;
    }

    std::span<const Value> storedRow() {
        if (std::none_of(def_.columns.begin(), def_.columns.end(),
                         [](const ColumnDef& c) { return c.calculated; }))
            return row_;
        storedRow_ = row_;
        for (size_t i = 0; i < def_.columns.size(); ++i)
            if (def_.columns[i].calculated && !row_[i].isNull())
                storedRow_[i] = Value::binary(wrapCalculatedValue(
                    def_.columns[i], row_[i], owner_.version(), owner_.options().codePage));
        return storedRow_;
    }

    size_t columnIndexOf(uint16_t number) const {
        for (size_t i = 0; i < def_.columns.size(); ++i)
            if (def_.columns[i].number == number) return i;
        throw Error(ErrorCode::InvalidArgument, "an index of table '" + def_.name +
                                                    "' names column number " +
                                                    std::to_string(number) + ", which is missing");
    }

    // The sort order a text column's keys are written in. Collations other
    // than General are keyed with the General order of the same file
    // version (see jet/write/COLLATIONS.md for what that approximates).
    static SortOrderKind textOrderOf(const IndexKeyForms& fileForms) {
        if (fileForms.text) return *fileForms.text;
        return SortOrderKind::GeneralLegacy;
    }

    Value prepare(size_t i, const Value& given) {
        return prepareColumnValue(def_.name, def_.columns[i], rules_[i], given, owner_.version(),
                                  owner_.options().codePage, def_.nextAutoNumber);
    }

    void addKey(KeyPlan& plan, RowPointer where) {
        bool anyNull = false, allNull = true;
        for (const KeyColumn& k : plan.columns) {
            const bool isNull = row_[k.columnIndex].isNull();
            anyNull = anyNull || isNull;
            allNull = allNull && isNull;
        }
        if (anyNull && plan.required)
            throw Error(ErrorCode::Constraint, kNullInRequiredIndexMessage);
        if (allNull && plan.ignoreNulls) return;
        if (anyNull && plan.unique) plan.rowsWithNull.insert(where.packed());
        key_.clear();
        for (const KeyColumn& k : plan.columns)
            appendIndexKey(key_, row_[k.columnIndex], k.type, k.ascending, k.textOrder,
                           numericForm_);
        plan.keys.add(key_, where);
    }

    // Rows whose key holds a null never collide, as in Access.
    void checkUnique(const KeyPlan& plan) const {
        for (size_t i = 1; i < plan.keys.size(); ++i) {
            auto a = plan.keys.key(i - 1);
            auto b = plan.keys.key(i);
            if (!std::equal(a.begin(), a.end(), b.begin(), b.end())) continue;
            if (plan.rowsWithNull.count(plan.keys.row(i).packed()) ||
                plan.rowsWithNull.count(plan.keys.row(i - 1).packed()))
                continue;
            throw Error(ErrorCode::Constraint, kDuplicateKeyMessage);
        }
    }

    DatabaseBuilder& owner_;
    TableDef def_;
    TableDef storageDef_;
    std::vector<ColumnRule> rules_;
    RowAppender appender_;
    std::vector<KeyPlan> plans_;
    NumericKeyForm numericForm_ = NumericKeyForm::Jet;
    std::vector<Value> row_;
    std::vector<Value> storedRow_;
    std::vector<uint8_t> key_;
};

TableBuilder::TableBuilder(DatabaseBuilder& owner, TableDef def, std::vector<ColumnRule> rules)
    : rows_(std::make_unique<TableRowsWriter>(owner, std::move(def), std::move(rules))) {}

TableBuilder::~TableBuilder() = default;

void TableBuilder::addRow(std::span<const Value> values) {
    rows_->addRow(values);
}

std::span<const Value> TableBuilder::lastRow() const {
    return rows_->lastRow();
}

uint32_t TableBuilder::rowCount() const {
    return rows_->rowCount();
}

const TableDef& TableBuilder::def() const {
    return rows_->def();
}

DatabaseBuilder::DatabaseBuilder(PageSink& sink, NewDatabaseOptions options)
    : sink_(sink), options_(std::move(options)), nextOtherObjectId_(kFirstOtherObjectId) {
    const JetVersion v = options_.version;
    if (v != JetVersion::Jet3 && v != JetVersion::Jet4 && v != JetVersion::Ace12 &&
        v != JetVersion::Ace14)
        throw Error(ErrorCode::InvalidArgument,
                    "new databases are made in the formats 3.0, 4.0, 12.0 and 14.0 only");
    if (sink_.pageSize() != pageSizeOf(v) || sink_.pageCount() != 0)
        throw Error(ErrorCode::InvalidArgument, "a new database needs an empty sink of " +
                                                    std::to_string(pageSizeOf(v)) + "-byte pages");
    if (options_.created == 0) options_.created = accessNow();

    NewHeader header;
    header.version = v;
    header.sortOrder = options_.sortOrder;
    header.codePage = options_.codePage;
    // The security ids in the catalogue are stored masked with two bytes
    // that Access ties to the header's creation date in a way not yet
    // understood; the header therefore carries the date the ids were seen
    // with, so that Admin and Users read as themselves. The catalogue rows
    // carry the real creation time.
    const double sidDate = sidMaskSample(v).headerCreationDate;
    header.creationDate = sidDate != 0 ? sidDate : options_.created;
    header.password = options_.password;
    PageBytes page0 = buildHeaderPage(header);
    std::unique_ptr<PageCipher> cipher;
    if (isAce(v) && !options_.password.empty()) cipher = protectAceHeader(page0, options_.password);
    sink_.write(sink_.allocate(), page0);
    if (cipher) sink_.setCipher(std::move(cipher));

    sink_.allocate();  // page 1: the free-page map, written last
    systemTables_ = systemTables(v, options_.sortOrder);
    for (size_t i = 0; i < systemTables_.size(); ++i) systemTablePages_.push_back(sink_.allocate());
}

DatabaseBuilder::~DatabaseBuilder() = default;

uint32_t DatabaseBuilder::reserveTablePage() {
    const uint32_t page = sink_.allocate();
    reservedPages_.insert(page);
    return page;
}

TableBuilder& DatabaseBuilder::beginTable(TableDef def, std::vector<ColumnRule> rules,
                                          Blob properties, uint32_t catalogFlags) {
    if (finished_ || openTable_)
        throw Error(ErrorCode::InvalidArgument,
                    "table '" + def.name + "' cannot start while another is open");
    if (def.tdefPage == 0) def.tdefPage = reserveTablePage();
    if (reservedPages_.erase(def.tdefPage) == 0)
        throw Error(ErrorCode::InvalidArgument,
                    "page " + std::to_string(def.tdefPage) + " was not reserved for a table");
    openTableProperties_ = std::move(properties);
    openTableFlags_ = catalogFlags;
    openTable_.reset(new TableBuilder(*this, std::move(def), std::move(rules)));
    return *openTable_;
}

void DatabaseBuilder::endTable() {
    if (!openTable_) throw Error(ErrorCode::InvalidArgument, "no table is open");
    openTable_->rows_->finish();
    const TableDef& def = openTable_->def();
    userObjects_.push_back(catalogEntry(def.name, static_cast<int32_t>(def.tdefPage), 1,
                                        openTableFlags_, std::move(openTableProperties_)));
    openTable_.reset();
}

int32_t DatabaseBuilder::addQuery(const std::string& name, uint32_t flags, Blob properties,
                                  std::vector<std::vector<Value>> queryRows) {
    const int32_t id = nextOtherObjectId_++;
    const size_t objectIdColumn = columnIndex(systemTable("MSysQueries").def, "ObjectId");
    for (auto& row : queryRows) {
        if (row.size() <= objectIdColumn)
            throw Error(ErrorCode::InvalidArgument,
                        "a stored row of query '" + name + "' has too few values");
        row[objectIdColumn] = Value::integer(id);
        queryRows_.push_back(std::move(row));
    }
    userObjects_.push_back(catalogEntry(name, id, kQueryObjectType, flags, std::move(properties)));
    return id;
}

int32_t DatabaseBuilder::addLinkedTable(const std::string& name, int16_t type, uint32_t flags,
                                        std::optional<std::string> database,
                                        std::optional<std::string> connect,
                                        std::optional<std::string> foreignName, Blob properties) {
    const int32_t id = nextOtherObjectId_++;
    CatalogEntry entry = catalogEntry(name, id, type, flags, std::move(properties));
    entry.database = std::move(database);
    entry.connect = std::move(connect);
    entry.foreignName = std::move(foreignName);
    userObjects_.push_back(std::move(entry));
    return id;
}

uint32_t DatabaseBuilder::systemTablePage(std::string_view name) const {
    for (size_t i = 0; i < systemTables_.size(); ++i)
        if (sameName(systemTables_[i].def.name, name)) return systemTablePages_[i];
    throw Error(ErrorCode::NotFound, "this format has no system table '" + std::string(name) + "'");
}

void DatabaseBuilder::addComplexColumnRows(std::vector<std::vector<Value>> rows) {
    for (auto& row : rows) complexColumnRows_.push_back(std::move(row));
}

void DatabaseBuilder::addRelationRows(std::vector<std::vector<Value>> rows) {
    for (auto& row : rows) relationRows_.push_back(std::move(row));
}

const SystemTable& DatabaseBuilder::systemTable(std::string_view name) const {
    for (const SystemTable& t : systemTables_)
        if (sameName(t.def.name, name)) return t;
    throw Error(ErrorCode::NotFound, "this format has no system table '" + std::string(name) + "'");
}

size_t DatabaseBuilder::columnIndex(const TableDef& def, std::string_view name) {
    for (size_t i = 0; i < def.columns.size(); ++i)
        if (sameName(def.columns[i].name, name)) return i;
    throw Error(ErrorCode::NotFound,
                "system table '" + def.name + "' has no column '" + std::string(name) + "'");
}

void DatabaseBuilder::finish() {
    if (finished_) return;
    if (openTable_) throw Error(ErrorCode::InvalidArgument, "a table is still open");
    if (!reservedPages_.empty())
        throw Error(ErrorCode::InvalidArgument, "a reserved table page was never written");
    const JetVersion v = options_.version;
    const double created = options_.created;

    // Access-control rows for every table and query, then the other system
    // tables, and MSysObjects last: it lists them all.
    std::vector<std::vector<Value>> aceRows;
    for (size_t i = 0; i < systemTables_.size(); ++i)
        for (CatalogRow& r : aceRowsForSystemTable(v, systemTables_[i].def.name,
                                                   static_cast<int32_t>(systemTablePages_[i])))
            aceRows.push_back(std::move(r.values));
    for (const CatalogEntry& e : userObjects_)
        for (CatalogRow& r : aceRowsForObject(v, e.id, e.type))
            aceRows.push_back(std::move(r.values));

    for (size_t i = 1; i < systemTables_.size(); ++i) {
        const SystemTable& t = systemTables_[i];
        std::vector<std::vector<Value>> rows;
        for (const CatalogRow& r : t.rows) rows.push_back(r.values);
        if (sameName(t.def.name, "MSysACEs")) {
            for (auto& r : aceRows) rows.push_back(std::move(r));
        } else if (sameName(t.def.name, "MSysQueries")) {
            for (auto& r : queryRows_) rows.push_back(std::move(r));
        } else if (sameName(t.def.name, "MSysRelationships")) {
            for (auto& r : relationRows_) rows.push_back(std::move(r));
        } else if (sameName(t.def.name, "MSysComplexColumns")) {
            for (auto& r : complexColumnRows_) rows.push_back(std::move(r));
        }
        TableDef def = t.def;
        def.tdefPage = systemTablePages_[i];
        writeTableNow(std::move(def), std::move(rows));
    }

    const TableDef& objectsDef = systemTables_.front().def;
    const size_t databaseColumn = columnIndex(objectsDef, "Database");
    const size_t connectColumn = columnIndex(objectsDef, "Connect");
    const size_t foreignNameColumn = columnIndex(objectsDef, "ForeignName");
    auto optionalText = [](const std::optional<std::string>& text) {
        return text ? Value::text(*text) : Value();
    };
    std::vector<std::vector<Value>> objectRows;
    for (CatalogRow& r : systemObjectRows(v, created)) objectRows.push_back(std::move(r.values));
    for (size_t i = 0; i < systemTables_.size(); ++i)
        objectRows.push_back(
            tableObjectRow(v, systemTables_[i].def.name, systemTablePages_[i], true, created, {})
                .values);
    for (const CatalogEntry& e : userObjects_) {
        CatalogRow row = userObjectRow(v, e.name, e.id, static_cast<ObjectType>(e.type), e.flags,
                                       created, e.properties);
        row.values[databaseColumn] = optionalText(e.database);
        row.values[connectColumn] = optionalText(e.connect);
        row.values[foreignNameColumn] = optionalText(e.foreignName);
        objectRows.push_back(std::move(row.values));
    }
    TableDef def = objectsDef;
    def.tdefPage = systemTablePages_.front();
    writeTableNow(std::move(def), std::move(objectRows));

    flushBookkeepingPage();
    writeFreePageMap();
    finished_ = true;
}

void DatabaseBuilder::writeTableNow(TableDef def, std::vector<std::vector<Value>> rows) {
    TableBuilder table(*this, std::move(def), {});
    for (const auto& row : rows) table.addRow(row);
    table.rows_->finish();
}

RowPointer DatabaseBuilder::placeUsageMap(std::span<const uint32_t> pages) {
    return placeBookkeepingRow(encodeUsageMap(sink_, options_.version, pages));
}

RowPointer DatabaseBuilder::placeBookkeepingRow(std::span<const uint8_t> row) {
    if (bookkeeping_ && !bookkeeping_->page.fits(row.size())) flushBookkeepingPage();
    if (!bookkeeping_)
        bookkeeping_.reset(new OpenPage{sink_.allocate(), DataPageBuilder(options_.version, 0)});
    const uint16_t at = bookkeeping_->page.add(row);
    return RowPointer{bookkeeping_->number, static_cast<uint8_t>(at)};
}

void DatabaseBuilder::flushBookkeepingPage() {
    if (!bookkeeping_) return;
    sink_.write(bookkeeping_->number, bookkeeping_->page.bytes());
    bookkeeping_.reset();
}

// From Jet 4 on, each long-value column keeps its own two maps: the pages of
// its long values and those of them with room (the page still open when the
// table was finished). Jet 3 tables have no such maps.
void DatabaseBuilder::assignLongValueMaps(TableDef& def, const RowAppender& rows) {
    def.longValueMaps.clear();
    if (isJet3(options_.version)) return;
    for (size_t i = 0; i < def.columns.size(); ++i) {
        const ColumnDef& c = def.columns[i];
        if (!isLongValueType(c.type)) continue;
        const std::vector<uint32_t>& pages = rows.longValuePages(i);
        LongValueMaps maps;
        maps.columnNumber = c.number;
        maps.usageMapPointer = placeUsageMap(pages).packed();
        const std::vector<uint32_t> last =
            pages.empty() ? std::vector<uint32_t>{} : std::vector<uint32_t>{pages.back()};
        maps.freeMapPointer = placeUsageMap(last).packed();
        def.longValueMaps.push_back(maps);
    }
}

// Page 1 is the database's map of free pages: a data page owned by itself
// whose first row is an inline map with a bit set for every free page, pages
// past the end of the file included; the second row Access leaves zeroed.
void DatabaseBuilder::writeFreePageMap() {
    const JetVersion v = options_.version;
    const size_t bitmapBytes = isJet3(v) ? 128 : 64;
    std::vector<uint8_t> row(5 + bitmapBytes, 0);  // type 0, start page 0
    const uint32_t used = sink_.pageCount();
    for (uint32_t page = used; page < bitmapBytes * 8; ++page)
        row[5 + page / 8] |= static_cast<uint8_t>(1u << (page % 8));
    DataPageBuilder page(v, 1);
    page.add(row);
    std::vector<uint8_t> zeros(row.size(), 0);
    page.add(zeros);
    sink_.write(1, page.bytes());
}

}  // namespace jet
