#include "db/dao_database.h"

#include <algorithm>
#include <set>

#include "jet/catalog/complex_columns.h"
#include "jet/catalog/stored_queries.h"
#include "jet/format/sort_order.h"

namespace dao {
namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

constexpr uint16_t kGeneralLcid = 1033;
constexpr uint32_t kCatalogHiddenFlag = 0x8;

// Orders names the way the catalogue's name index orders them, which is the
// order DAO lists a collection in: by the text sort key of the database's
// General sort order, or without regard to case for other sort orders (whose
// keys the engine does not build).
class NameOrder {
public:
    explicit NameOrder(const jet::Database& db) {
        const jet::SortOrder& order = db.header().sortOrder;
        if (order.lcid != kGeneralLcid) return;
        if (jet::isJet3(db.version())) {
            kind_ = jet::SortOrderKind::General97;
        } else if (jet::isAce(db.version()) && order.version == 1) {
            kind_ = jet::SortOrderKind::General2010;
        } else {
            kind_ = jet::SortOrderKind::GeneralLegacy;
        }
        useKeys_ = true;
    }

    template <class T>
    void sort(std::vector<std::shared_ptr<T>>& items) const {
        std::vector<std::pair<std::vector<uint8_t>, std::shared_ptr<T>>> keyed;
        keyed.reserve(items.size());
        for (auto& item : items) keyed.emplace_back(key(item->Name()), std::move(item));
        std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
            if (a.first != b.first) return a.first < b.first;
            const int folded = a.second->Name().compare(b.second->Name(), Qt::CaseInsensitive);
            if (folded != 0) return folded < 0;
            return a.second->Name() < b.second->Name();
        });
        items.clear();
        for (auto& k : keyed) items.push_back(std::move(k.second));
    }

private:
    std::vector<uint8_t> key(const QString& name) const {
        if (!useKeys_) return {};
        try {
            return jet::encodeTextKey(name.toStdU16String(), kind_);
        } catch (const jet::Error&) {
            return {};  // fall back to the case-insensitive order below
        }
    }

    bool useKeys_ = false;
    jet::SortOrderKind kind_ = jet::SortOrderKind::GeneralLegacy;
};

unsigned tableAttributes(const jet::CatalogObject& o) {
    unsigned a = 0;
    if (o.isSystem()) a |= kDbSystemObject;
    if (o.flags & kCatalogHiddenFlag) a |= kDbHiddenObject;
    if (o.type == static_cast<int16_t>(jet::ObjectType::LinkedTable)) a |= kDbAttachedTable;
    if (o.type == static_cast<int16_t>(jet::ObjectType::LinkedOdbcTable)) a |= kDbAttachedODBC;
    return a;
}

// DAO's Connect text of a table: empty for a local table, ";DATABASE=<file>"
// for a linked Access table, "ODBC;..." for an ODBC link.
QString connectText(const jet::CatalogObject& o) {
    const QString stored = qs(o.connect.value_or(""));
    if (o.type == static_cast<int16_t>(jet::ObjectType::LinkedOdbcTable)) {
        return stored.startsWith(QStringLiteral("ODBC;"), Qt::CaseInsensitive)
                   ? stored
                   : QStringLiteral("ODBC;") + stored;
    }
    if (o.type == static_cast<int16_t>(jet::ObjectType::LinkedTable)) {
        return stored + QStringLiteral(";DATABASE=") + qs(o.database.value_or(""));
    }
    return QString();
}

int queryDefType(jet::QueryKind kind) {
    switch (kind) {
        case jet::QueryKind::Select:
            return kDbQSelect;
        case jet::QueryKind::Crosstab:
            return kDbQCrosstab;
        case jet::QueryKind::Delete:
            return kDbQDelete;
        case jet::QueryKind::Update:
            return kDbQUpdate;
        case jet::QueryKind::Append:
            return kDbQAppend;
        case jet::QueryKind::MakeTable:
            return kDbQMakeTable;
        case jet::QueryKind::Union:
            return kDbQSetOperation;
        case jet::QueryKind::PassThrough:
            return kDbQSQLPassThrough;
        case jet::QueryKind::DataDefinition:
            return kDbQDDL;
        case jet::QueryKind::Unknown:
            break;
    }
    return kDbQAction;
}

}  // namespace

Database::Database(std::shared_ptr<Session> session)
    : session_(std::move(session)),
      tableDefs_([s = session_] {
          jet::Database& engine = s->engine();
          std::vector<std::shared_ptr<TableDef>> out;
          auto add = [&](const jet::CatalogObject* o) {
              out.push_back(std::make_shared<TableDef>(s, qs(o->name), tableAttributes(*o),
                                                       connectText(*o),
                                                       qs(o->foreignName.value_or(""))));
          };
          // The hidden tables that hold the values of attachment and
          // multi-value columns are part of those columns, not tables of
          // their own: DAO does not list them.
          // A damaged MSysComplexColumns hides nothing.
          std::set<uint32_t> valueTables;
          try {
              valueTables = jet::complexTablePages(engine).flat;
          } catch (const jet::Error&) {
          }
          for (const auto* o : engine.tables(true))
              if (!valueTables.contains(o->tdefPage())) add(o);
          for (const auto* o : engine.linkedTables()) add(o);
          NameOrder(engine).sort(out);
          return out;
      }),
      queryDefs_([s = session_] {
          jet::Database& engine = s->engine();
          std::vector<std::shared_ptr<QueryDef>> out;
          for (const auto& q : jet::readStoredQueries(engine)) {
              out.push_back(std::make_shared<QueryDef>(qs(q.name), qs(q.query.sql), qs(q.error),
                                                       queryDefType(q.query.kind),
                                                       !q.query.parameters.empty()));
          }
          NameOrder(engine).sort(out);
          return out;
      }),
      relations_([s = session_] {
          jet::Database& engine = s->engine();
          std::vector<std::shared_ptr<Relation>> out;
          for (const auto& r : engine.relations()) {
              std::vector<std::shared_ptr<Field>> fields;
              for (const auto& f : r.fields) {
                  FieldData d;
                  d.name = qs(f.name);
                  d.foreignName = qs(f.foreignName);
                  fields.push_back(std::make_shared<Field>(std::move(d)));
              }
              out.push_back(std::make_shared<Relation>(qs(r.name), qs(r.table), qs(r.foreignTable),
                                                       static_cast<int>(r.attributes),
                                                       std::move(fields)));
          }
          NameOrder(engine).sort(out);
          return out;
      }) {}

QString Database::Version() const {
    return qs(jet::versionText(session_->engine().version()));
}

int Database::CollatingOrder() const {
    return session_->engine().header().sortOrder.lcid;
}

std::shared_ptr<Database> DBEngine::OpenDatabase(const QString& name, bool exclusive, bool readOnly,
                                                 const QString& password) {
    (void)readOnly;
    db::EngineHandle handle =
        db::openEngineDatabase(name, db::EngineOpenOptions{password, exclusive});
    return std::make_shared<Database>(std::make_shared<Session>(std::move(handle), name));
}

}  // namespace dao
