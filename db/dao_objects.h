// The definition objects of the catalogue surface: Field, Index, Relation,
// QueryDef and TableDef, with the members and values DAO reports for them.
//
// Each object is a snapshot read from the engine when its collection was
// filled; property names and value conventions are DAO's (type codes,
// attribute bits, the "+ID;-Name" field text of an index), so the catalogue
// routines and the designers can rely on them exactly as on DAO. A property
// that Access keeps only in the object's property set reads as DAO reads it
// when absent: False, or an empty text.
//
// Objects are used from the user-interface thread only. Reading a member of
// a TableDef whose Database was closed throws jet::Error "Object invalid or
// no longer set.".
#pragma once

#include <QString>
#include <QVariant>
#include <memory>

#include "db/dao_collection.h"

namespace dao {

class Session;

struct FieldData {
    QString name;
    int type = 0;        // DAO data type code
    int size = 0;        // DAO size: characters for Text, bytes otherwise, 0 for long values
    int attributes = 0;  // DAO attribute bits (1 fixed, 2 variable, 16 auto-increment, ...)
    bool required = false;
    bool allowZeroLength = false;
    QVariant defaultValue = QString();
    QString validationText;
    QString validationRule;
    QString foreignName;  // relation fields: the field of the foreign table
};

class Field {
public:
    explicit Field(FieldData data) : d_(std::move(data)) {}
    QString Name() const { return d_.name; }
    int Type() const { return d_.type; }
    int Size() const { return d_.size; }
    int Attributes() const { return d_.attributes; }
    bool Required() const { return d_.required; }
    bool AllowZeroLength() const { return d_.allowZeroLength; }
    QVariant DefaultValue() const { return d_.defaultValue; }
    QString ValidationText() const { return d_.validationText; }
    QString ValidationRule() const { return d_.validationRule; }
    QString ForeignName() const { return d_.foreignName; }

private:
    FieldData d_;
};

struct IndexData {
    QString name;
    QString fields;  // "+ID;-Name": each field with its direction, joined with ";"
    bool primary = false;
    bool unique = false;
    bool required = false;
    bool ignoreNulls = false;
    bool foreign = false;  // the index a relation keeps in its foreign table
};

class Index {
public:
    explicit Index(IndexData data) : d_(std::move(data)) {}
    QString Name() const { return d_.name; }
    QString Fields() const { return d_.fields; }
    bool Primary() const { return d_.primary; }
    bool Unique() const { return d_.unique; }
    bool Required() const { return d_.required; }
    bool IgnoreNulls() const { return d_.ignoreNulls; }
    bool Foreign() const { return d_.foreign; }

private:
    IndexData d_;
};

class Relation {
public:
    Relation(QString name, QString table, QString foreignTable, int attributes,
             std::vector<std::shared_ptr<Field>> fields);
    QString Name() const { return name_; }
    QString Table() const { return table_; }
    QString ForeignTable() const { return foreignTable_; }
    int Attributes() const { return attributes_; }
    // One field per pair: Name() in Table(), ForeignName() in ForeignTable().
    Collection<Field>& Fields() { return fields_; }

private:
    QString name_, table_, foreignTable_;
    int attributes_ = 0;
    Collection<Field> fields_;
};

// A stored query. One whose rows cannot be read is still listed; its SQL
// throws the reason (jet::Error), so only what asks for that query fails.
class QueryDef {
public:
    QueryDef(QString name, QString sql, QString error = QString(), int type = 0,
             bool hasParameters = false)
        : name_(std::move(name)),
          sql_(std::move(sql)),
          error_(std::move(error)),
          type_(type),
          hasParameters_(hasParameters) {}
    QString Name() const { return name_; }
    QString SQL() const;
    // DAO's query type (kDbQSelect ...).
    int Type() const { return type_; }
    // Whether the query declares PARAMETERS (running it asks for values).
    bool HasParameters() const { return hasParameters_; }

private:
    QString name_, sql_, error_;
    int type_ = 0;
    bool hasParameters_ = false;
};

// DAO's QueryDef types.
enum QueryDefType : int {
    kDbQSelect = 0,
    kDbQCrosstab = 16,
    kDbQDelete = 32,
    kDbQUpdate = 48,
    kDbQAppend = 64,
    kDbQMakeTable = 80,
    kDbQDDL = 96,
    kDbQSQLPassThrough = 112,
    kDbQSetOperation = 128,
    kDbQAction = 240,
};

// DAO TableDef attribute bits the surface reports.
enum TableDefAttribute : unsigned {
    kDbHiddenObject = 0x1,
    kDbAttachedTable = 0x40000000,
    kDbAttachedODBC = 0x20000000,
    kDbSystemObject = 0x80000002,
};

// A local or linked table. Its Fields and Indexes are read when first used;
// for a linked table they come from the table it links to.
class TableDef {
public:
    TableDef(std::shared_ptr<Session> session, QString name, unsigned attributes, QString connect,
             QString sourceTableName);
    TableDef(const TableDef&) = delete;
    TableDef& operator=(const TableDef&) = delete;
    QString Name() const { return name_; }
    // kDbSystemObject, kDbHiddenObject, kDbAttachedTable, kDbAttachedODBC.
    unsigned Attributes() const { return attributes_; }
    // Linked tables: ";DATABASE=<file>" (or the ODBC text) and the name there.
    QString Connect() const { return connect_; }
    QString SourceTableName() const { return sourceTableName_; }
    Collection<Field>& Fields() { return fields_; }
    Collection<Index>& Indexes() { return indexes_; }

private:
    std::shared_ptr<Session> session_;
    QString name_;
    unsigned attributes_ = 0;
    QString connect_, sourceTableName_;
    Collection<Field> fields_;
    Collection<Index> indexes_;
};

}  // namespace dao
