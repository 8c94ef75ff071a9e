// Structural comparison of two databases' catalogues, for tests of the
// writer: table definitions (columns, indexes), MSysObjects rows matched by
// name, MSysACEs rows matched by object name, property blobs, and the rows of
// the other tables. Every function returns one line per difference, empty
// when the two agree; the lines name what differs and both values, so a
// failing test shows the whole picture at once.
//
// Not compared, on purpose: dates (DateCreate/DateUpdate, and no other
// catalogue column holds one), page numbers (definition pages, usage maps,
// index roots), row counts and auto-number counters of a definition, index
// entry counts, and the bytes Access fills from uninitialised memory (the
// fixed offset of a variable-length column, the reserved words of the
// definition header, of Numeric columns and of real indexes, unused index
// column slots): no reader uses them.
#pragma once

#include <string>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/format/table_def.h"
#include "jet/value.h"

namespace testing_support {

using Row = std::vector<jet::Value>;

struct CatalogueDiffOptions {
    // Object ids are definition pages (tables) or counters: compare them
    // only when both files should have placed things alike.
    bool ignoreIds = false;
    // SIDs longer than two bytes belong to the user account Access ran
    // under, not to the built-in accounts; leave out their MSysACEs rows.
    bool ignoreLongSids = false;
    // Objects left out on both sides (their catalogue rows, their tables and
    // their MSysACEs rows), by name without regard to case; '*' matches any
    // run of characters ("MSysNavPane*").
    std::vector<std::string> ignoredObjects;
    // Jet 3 property blobs are in the code-page form.
    bool jet3 = false;
};

// True when `name` is one of options.ignoredObjects.
bool isIgnoredObject(const CatalogueDiffOptions& options, const std::string& name);

// Table type, column and variable-column counts, every column (matched by
// name: number, type, variable slot, fixed offset of fixed columns, length,
// flags, compression, precision, scale, sort order, code page, complex id,
// repeated number, extra flags), the stored order of the column entries,
// the real indexes in order (columns with direction, flags) and the logical
// indexes by name (number, kind, real index content, foreign-key links).
std::vector<std::string> compareTableDefs(const jet::TableDef& expected,
                                          const jet::TableDef& actual);

// MSysObjects rows (the 17 columns in table order), matched by container
// name and object name. Ids are compared unless options.ignoreIds; parents
// are compared by their names; LvProp by its decoded properties.
std::vector<std::string> compareObjectRows(const std::vector<Row>& expected,
                                           const std::vector<Row>& actual,
                                           const CatalogueDiffOptions& options);

// MSysACEs rows (ObjectId, SID, ACM, FInheritable) as a multiset; each side's
// ObjectId is turned into its object's name through that side's MSysObjects
// rows, so files with different ids compare.
std::vector<std::string> compareAceRows(const std::vector<Row>& expectedAces,
                                        const std::vector<Row>& expectedObjects,
                                        const std::vector<Row>& actualAces,
                                        const std::vector<Row>& actualObjects,
                                        const CatalogueDiffOptions& options);

// The rows of any table as a multiset of formatted rows.
std::vector<std::string> compareRowSets(const std::string& table, const std::vector<Row>& expected,
                                        const std::vector<Row>& actual);

// Every live row of `table`, in storage order.
std::vector<Row> readAllRows(jet::Database& db, const std::string& table);

// The whole comparison: the lists of tables (system ones included), each
// common table's definition, MSysObjects, MSysACEs and the rows of every
// other common system table.
std::vector<std::string> compareCatalogues(jet::Database& expected, jet::Database& actual,
                                           const CatalogueDiffOptions& options);

// A value as the difference lines show it: null, numbers, "text", 0xHEX.
std::string describeValue(const jet::Value& v);

// Objects the Access application (not its engine) adds to a database on
// first open: containers of forms and reports, its own system tables and
// documents. Files made by Access hold them; files made by an engine do not.
const std::vector<std::string>& accessApplicationObjects();

// The options that compare an engine-made catalogue with one Access made:
// the application's objects and the Windows account's rights left out.
CatalogueDiffOptions accessMadeOptions(bool jet3);

// The differences every catalogue made by Access (rather than by the engine
// alone) shows against an engine-made one: Access stores its own properties
// (AccessVersion, Build, NavPane ...) on MSysDb, and it widens Admin's
// rights on the Tables container to 1048319, inheritable, where the engine
// grants 393217. `adminSid` as the lines show it ("0x53A4").
std::vector<std::string> accessMadeDifferences(const std::string& adminSid);

}  // namespace testing_support
