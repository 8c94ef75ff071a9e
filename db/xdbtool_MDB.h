// The catalogue engine: the program's one gateway to the catalogue of an
// Access file. Free routines over the catalogue surface (db/dao_database.h)
// and three constant tables: the file format versions, the collations and
// the field types, with their lookups.
//
// What callers rely on:
// - Every routine that fills an output array clears it and fills it in
//   collection order; where rows can be skipped the array holds only the
//   rows kept. Every routine that takes a string list clears it first (when
//   one is given) and adds the names in the same order.
// - Field lists inside the records are names joined with ";".
// - Failures are jet::Error carrying the engine's message; they leave the
//   routine at the failing call.
// - The routines keep no state; the Database returned by OpenMDB belongs to
//   the caller, who closes it.
//
// Creating and compacting files: CreateMDB, CompactMDB and
// CompactMDBInPlace (db/xdbtool_MDB_files.cpp). Changing definitions comes
// with the engine's schema writer.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <memory>
#include <vector>

#include "db/dao_database.h"

// ---- Catalogue records ------------------------------------------------------

struct TFieldRec {
    QString FieldName;
    int FieldType = 0;   // DAO data type code (see kFieldTypes)
    int FieldSize = 0;   // DAO field size
    int Attributes = 0;  // DAO field attribute bits (17 = auto-increment)
    bool Required = false;
    bool AllowZeroLength = false;
    QVariant DefaultValue;  // text or null
    QString ForeignName;    // relations only: the field of the foreign table
    QString ValidationText;
    QString ValidationRule;
};
using TFieldRecArray = std::vector<TFieldRec>;

struct TIndexRec {
    QString IndexName;
    bool Primary = false;
    bool Unique = false;
    bool Required = false;
    // The index's field text without "+" signs ("ID;-Name"): a "-" marks a
    // descending field.
    QString FieldNames;
    // The index name is the name of a relation of the database.
    bool Relation = false;
};
using TIndexRecArray = std::vector<TIndexRec>;

struct TQueryDef {
    QString Name;
    QString SQL;
};
using TQueryDefArray = std::vector<TQueryDef>;

struct TRelationRec {
    QString Name;
    QString Table;         // the referenced (primary) table
    QString ForeignTable;  // the referencing table
    int Attributes = 0;    // DAO relation attribute bits
    // One entry per field pair: FieldName in Table, ForeignName in
    // ForeignTable; the other members stay empty.
    TFieldRecArray Fields;
    QString FieldNames;         // the FieldNames joined with ";"
    QString ForeignFieldNames;  // the ForeignNames joined with ";"
};
using TRelationRecArray = std::vector<TRelationRec>;

// ---- Constant tables ----------------------------------------------------------

struct TDBVersionRow {
    int Key;  // the version constant of create and compact
    const char* Description;
    const char* Extension;
};

inline constexpr std::array<TDBVersionRow, 4> kDBVersions{{
    {32, "Version 3.0 (MDB)", ".mdb"},
    {64, "Version 4.0 (MDB)", ".mdb"},
    {128, "Version 12.0 (ACCDB)", ".accdb"},
    {256, "Version 14.0 (ACCDB)", ".accdb"},
}};

struct TCollationRow {
    int LangId;  // Windows language identifier
    const char* Name;
    const char* Locale;  // the locale text of create and compact
};

inline constexpr std::array<TCollationRow, 20> kCollations{{
    {1033, "General (English, French, German ...)", ";LANGID=0x0409;CP=1252;COUNTRY=0"},
    {1025, "Arabic", ";LANGID=0x0401;CP=1256;COUNTRY=0"},
    {1029, "Czech", ";LANGID=0x0405;CP=1250;COUNTRY=0"},
    {1043, "Dutch", ";LANGID=0x0413;CP=1252;COUNTRY=0"},
    {1032, "Greek", ";LANGID=0x0408;CP=1253;COUNTRY=0"},
    {1037, "Hebrew", ";LANGID=0x040D;CP=1255;COUNTRY=0"},
    {1038, "Hungarian", ";LANGID=0x040E;CP=1250;COUNTRY=0"},
    {1039, "Icelandic", ";LANGID=0x040F;CP=1252;COUNTRY=0"},
    {1041, "Japanese", ";LANGID=0x0411;CP=932;COUNTRY=0"},
    {1042, "Korean", ";LANGID=0x0412;CP=949;COUNTRY=0"},
    {1030, "Norwegian and Danish", ";LANGID=0x0406;CP=1252;COUNTRY=0"},
    {1045, "Polish", ";LANGID=0x0415;CP=1250;COUNTRY=0"},
    {1049, "Russian", ";LANGID=0x0419;CP=1251;COUNTRY=0"},
    {2052, "Simplified Chinese", ";LANGID=0x0804;CP=936;COUNTRY=0"},
    {1060, "Slovenian", ";LANGID=0x0424;CP=1250;COUNTRY=0"},
    {1034, "Spanish", ";LANGID=0x040A;CP=1252;COUNTRY=0"},
    {1053, "Swedish and Finnish", ";LANGID=0x041D;CP=1252;COUNTRY=0"},
    {1054, "Thai", ";LANGID=0x041E;CP=874;COUNTRY=0"},
    {1028, "Traditional Chinese", ";LANGID=0x0404;CP=950;COUNTRY=0"},
    {1055, "Turkish", ";LANGID=0x041F;CP=1254;COUNTRY=0"},
}};

struct TFieldTypeRow {
    int Code;  // DAO data type code
    const char* Name;
    const char* Description;  // reference text; no window shows it
};

// The types the table designer offers and can create, in the order of its
// type list.
inline constexpr std::array<TFieldTypeRow, 14> kFieldTypes{{
    {10, "Text", "Text data (variable width)"},
    {12, "Memo", "Memo data (extended text)"},
    {1, "Boolean", "Boolean (True/False) data"},
    {2, "Byte", "Byte (8-bit) data"},
    {3, "Integer", "Integer data"},
    {16, "BigInt", "Big Integer data"},
    {4, "Long", "Long Integer data"},
    {5, "Currency", "Currency data"},
    {6, "Single", "Single-precision floating-point data"},
    {7, "Double", "Double-precision floating-point data"},
    {8, "Date", "Date value data"},
    {9, "Binary", "Binary data"},
    {11, "LongBinary", "Binary data (bitmap)"},
    {15, "GUID", "GUID data"},
}};

// Types that can be shown but not chosen.
inline constexpr std::array<TFieldTypeRow, 16> kExtraFieldTypes{{
    {18, "Char", "Text data (fixed width)"},
    {19, "Numeric", "Numeric data (ODBCDirect only)"},
    {20, "Decimal", "Decimal data (ODBCDirect only)"},
    {21, "Float", "Floating-point data (ODBCDirect only)"},
    {22, "Time", "Data in time format (ODBCDirect only)"},
    {23, "TimeStamp", "Data in time and date format (ODBCDirect only)"},
    {17, "VarBinary", "Variable Binary data (ODBCDirect only)"},
    {101, "Attachment", "Attachment data"},
    {102, "ComplexByte", "Multi-valued byte data"},
    {103, "ComplexInteger", "Multi-value integer data"},
    {104, "ComplexLong", "Multi-value long integer data"},
    {105, "ComplexSingle", "Multi-value single-precision floating-point data"},
    {106, "ComplexDouble", "Multi-value double-precision floating-point data"},
    {107, "ComplexGUID", "Multi-value GUID data"},
    {108, "ComplexDecimal", "Multi-value decimal data"},
    {109, "ComplexText", "Multi-value Text data (variable width)"},
}};

// ---- Table lookups (linear from the first row; the first hit wins) -----------

QString DBVersionName(int key);              // "" if no row has the key
QString DBVersionExt(int key);               // "" if no row has the key
int DBVersionFromName(const QString& name);  // case-insensitive; -1 if none
void FillDBVersions(QStringList& list);

QString CollationName(int langId);           // "" if none
QString CollationLocale(int langId);         // "" if none (in particular for 0)
int CollationFromName(const QString& name);  // case-insensitive; -1 if none
void FillCollations(QStringList& list);

// The name from the creatable types, else from the display-only ones; "" if
// the code is in neither.
QString FieldTypeName(int code);
// The code of the creatable type of that name (case-insensitive); the
// display-only types are not searched; -1 if none.
int FieldTypeFromName(const QString& name);
void FillFieldTypes(QStringList& list);  // the fourteen creatable types

// The key of the first version row whose description contains `versionText`
// (case-sensitive), so "4.0" finds "Version 4.0 (MDB)" before "Version 14.0
// (ACCDB)"; -1 when none does.
int DBVersionFromVersionText(const QString& versionText);

// True when `name` begins with "MSys" in any case: the names GetTableNames
// and GetRelations (with skip-system) leave out. Nothing else is filtered.
bool HasMSysPrefix(const QString& name);

// ---- Engine and catalogue operations ------------------------------------------

// Opens the file; `password` may be empty. The password reaches the engine as
// it is, never inside a connect text, so ";" or quotes in it are harmless.
std::shared_ptr<dao::Database> OpenMDB(const QString& fileName, const QString& password,
                                       bool exclusive);

// Creates the empty database `fileName` with the collation `langId` and
// the format `versionKey` (a key of kDBVersions), without a password. The
// file must not exist yet. Throws jet::Error: "Database already exists.",
// InvalidArgument when `langId` is not in kCollations or the key is
// unknown, Io when the file cannot be written. The caller opens the file
// afterwards with OpenMDB.
void CreateMDB(const QString& fileName, int langId, int versionKey);

// CreateMDB for a `fileName` that may exist: the new database is written
// under a temporary name in the same folder and takes the old file's place
// only when it is complete, so a failure leaves the old file as it was (and
// no stray file). Throws as CreateMDB, and jet::Error (Io) "Cannot replace
// file: <fileName>" when the new file cannot take the old one's place.
void CreateMDBReplacing(const QString& fileName, int langId, int versionKey);

// Whether an existing `fileName` could be replaced: this program does not
// hold it open and its folder lets a file be renamed over it.
bool CanReplaceFile(const QString& fileName);

// Writes a compacted copy of `source` to `destination` (which must not
// exist). `sourcePassword` opens the source ("" = none). `versionKey` 0
// keeps the source's format; `destLangId` 0 keeps its collation (the
// source's language id only names its locale, which changes nothing).
// `destPassword`: "" keeps the source's password, a single blank " " writes
// the copy without password, any other text becomes the copy's password.
// Failures propagate as jet::Error (see dao::DBEngine::CompactDatabase).
void CompactMDB(const QString& source, const QString& destination, const QString& sourcePassword,
                int versionKey, int destLangId, int sourceLangId, const QString& destPassword);

// What a compaction does with the password of the copy. Set with an empty
// password writes the copy without one, as Remove does.
struct TPasswordChange {
    enum Kind { Keep, Set, Remove };
    Kind kind = Keep;
    QString password;  // for Set
};

// CompactMDB into `destination`, which may exist: the copy is written under a
// temporary name beside it and takes its place only when complete, so a
// failure leaves `destination` as it was and no stray file. The password is
// passed as it is, never inside a text of options.
void CompactMDBReplacing(const QString& source, const QString& destination,
                         const QString& sourcePassword, int versionKey, int destLangId,
                         const TPasswordChange& password);

// Deletes the file when it exists; throws jet::Error (Io) "Cannot delete
// file: <fileName>" when it exists and cannot be deleted.
void DeleteFileIfExists(const QString& fileName);

// Compacts `fileName` into its own place: the copy is written under a
// temporary name of its own beside the file ("<name>.new-XXXXXX") and then
// takes the file's name in one step, so no other file is touched and a
// failure leaves the database as it was; a link is followed, and the file
// it leads to is compacted in its own folder. `newPassword`:
// "" keeps `currentPassword`, " " removes the password, other text becomes
// the password. `versionKey` 0 keeps the format, `langId` 0 the collation.
// Every handle on the file must be closed first (the main window closes
// its session and reopens the file afterwards). Shows the wait cursor while
// it works. On failure the error report "Error: Cannot compress data." with
// the reason goes to the user feedback (db/user_feedback.h) and the result
// is false.
bool CompactMDBInPlace(const QString& fileName, const QString& currentPassword,
                       const QString& newPassword, int versionKey, int langId);
// The same with the password change passed as it is.
bool CompactMDBInPlace(const QString& fileName, const QString& currentPassword,
                       const TPasswordChange& newPassword, int versionKey, int langId);

// The version key of the open database (DBVersionFromVersionText of its
// Version), or -1.
int GetMDBVersion(dao::Database& db);

// The tables of the database in collection order, except those whose name
// begins with "MSys" (any case). Linked tables are listed too.
void GetTableNames(dao::Database& db, QStringList& list);

// The fields of `tableName`; `list` (when given) receives their names.
void GetTableFields(dao::Database& db, const QString& tableName, TFieldRecArray& fields,
                    QStringList* list = nullptr);

// The indexes of `tableName`. An index whose name is the name of a relation
// (compared without regard to case) is marked Relation, or left out when
// `skipRelationIndexes` is set. `list` (when given) receives the names kept.
void GetTableIndexes(dao::Database& db, const QString& tableName, TIndexRecArray& indexes,
                     bool skipRelationIndexes, QStringList* list = nullptr);

// Every stored query (none hidden); `list` (when given) receives the names.
void GetQueryDefs(dao::Database& db, TQueryDefArray& queries, QStringList* list = nullptr);

// The relations of the database; with `skipSystem` those whose name begins
// with "MSys" (any case) are left out. `list` (when given) receives the names
// kept.
void GetRelations(dao::Database& db, TRelationRecArray& relations, QStringList* list,
                  bool skipSystem);

// Appends `item` to `text`, preceded by ";" when `text` is not empty.
void AddToList(QString& text, const QString& item);
