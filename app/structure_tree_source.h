// The structure tree's content read from an open database: the table, view
// and relation lists are read once (as the main window's editors keep them
// loaded), fields and indexes at every build, and a view's columns from a
// zero-row query on the data connection.
#pragma once

#include <memory>

#include "app/structure_tree_model.h"

class TCustomConnectionUDB;
class TQueryUDB;
namespace dao {
class Database;
}

class CatalogueStructureSource : public StructureSource {
public:
    // Reads the three lists at once; throws db::Error when they cannot be
    // read. Both the catalogue and the connection must outlive the source;
    // `connection` may be closed (every view then fails to load).
    CatalogueStructureSource(dao::Database& db, TCustomConnectionUDB& connection);
    ~CatalogueStructureSource() override;
    // Reads the three lists again, after the designers changed the file.
    void reloadLists();

    QStringList tableNames() const override { return tables_; }
    QStringList viewNames() const override { return views_; }
    QString viewSql(const QString& view) const override;
    const TRelationRecArray& relations() const override { return relations_; }
    void readFields(const QString& table, TFieldRecArray& fields) override;
    void readIndexes(const QString& table, TIndexRecArray& indexes) override;
    std::vector<ViewColumnInfo> viewColumns(const QString& view) override;

private:
    dao::Database& db_;
    QStringList tables_;
    QStringList views_;
    TQueryDefArray queryDefs_;
    TRelationRecArray relations_;
    std::unique_ptr<TQueryUDB> qStruct_;
};
