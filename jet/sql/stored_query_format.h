// How Access lays a saved query out in MSysQueries: the meaning of the
// Attribute codes and of the Flag, Name1, Name2 and Expression columns for
// each. The same layout holds in Jet 3, Jet 4 and ACE files.
//
// Attribute  row                 Name1              Name2            Expression          Flag
// ---------  ------------------  -----------------  ---------------  ------------------
// --------------
//   0        start of the query  -                  -                -                   0
//   1        type (one)          target table /     remote database  remote database     QueryType
//                                ODBC connect string  path           type / SQL text
//   2        parameter           parameter name     -                -                   data type
//   code 3        flags (one)         TOP value          -                - SelectFlag bits 4
//   remote FROM source  database path      -                database type       - 5        table
//   table name         alias            qualifier/subquery  -
//                                                   (union: part id) (union: part SQL)
//   6        output column       alias              target column    expression          ColumnFlag
//   7        join                left table         right table      ON expression       JoinType
//   8        WHERE (one)         -                  -                condition           -
//   9        GROUP BY            -                  -                expression          ColumnFlag
//  10        HAVING (one)        -                  -                condition           -
//  11        ORDER BY            "D" = descending   -                expression          -
//  12        complex columns     companion query    -                -                   kind (0-2)
//  13        companion's owner   visible query      -                -                   kind (0-2)
//  14        sub-field reference -                  -                reference as written  -
// 255        end of the query    -                  -                -                   -
//
// Attributes 12 to 14 come with ACE queries over tables with attachment or
// multi-value columns. A query that uses a sub-field ("T.Attachments.FileName",
// "T.Products.Value") has a hidden companion query (catalogue flags
// 0x80020000, named "<query>_<32 hex digits>", the query's name cut to 31
// characters) holding the flattened form: the column's values table joined in
// with an alias. The visible query's attribute-12 row names the companion in
// Name1; the companion's attribute-13 row names the visible query back, with
// the same flag, and its attribute-14 rows keep each reference as written,
// LvExtra pointing at the output column (by its LvExtra) that holds the
// flattened form. Many attribute-12 rows hold only the flag (2: a whole
// complex column is output, 1: the sources have complex columns but none is
// output whole, 0: an UPDATE of such a table; read off Access-made files).
// None of the three changes the SQL text: they are kept, not shown.
//
// The SQL of a pass-through or data-definition query is the Expression of its
// type row, stored with a trailing NUL. A union query keeps its two halves as
// table rows whose Name2 is "X7YZ_____1" and "X7YZ_____2"; a third branch and
// more are nested inside the first half's text.
#pragma once

#include <cstdint>
#include <string>

namespace jet::query_format {

enum Attribute : int {
    kStartAttribute = 0,
    kTypeAttribute = 1,
    kParameterAttribute = 2,
    kFlagsAttribute = 3,
    kRemoteDatabaseAttribute = 4,
    kTableAttribute = 5,
    kColumnAttribute = 6,
    kJoinAttribute = 7,
    kWhereAttribute = 8,
    kGroupByAttribute = 9,
    kHavingAttribute = 10,
    kOrderByAttribute = 11,
    kComplexColumnsAttribute = 12,
    kComplexOwnerAttribute = 13,
    kComplexReferenceAttribute = 14,
    kEndAttribute = 255,
};

// Flag of the type row.
enum QueryType : int {
    kSelectType = 1,
    kMakeTableType = 2,
    kAppendType = 3,
    kUpdateType = 4,
    kDeleteType = 5,
    kCrosstabType = 6,
    kDataDefinitionType = 7,
    kPassThroughType = 8,
    kUnionType = 9,
};

// The same kinds in the Flags column of the query's MSysObjects row (the
// high nibble of the low byte; the other bits are object flags such as hidden).
constexpr int32_t kObjectKindMask = 0xF0;
constexpr int32_t kSelectObjectKind = 0;
constexpr int32_t kCrosstabObjectKind = 16;
constexpr int32_t kDeleteObjectKind = 32;
constexpr int32_t kUpdateObjectKind = 48;
constexpr int32_t kAppendObjectKind = 64;
constexpr int32_t kMakeTableObjectKind = 80;
constexpr int32_t kDataDefinitionObjectKind = 96;
constexpr int32_t kPassThroughObjectKind = 112;
constexpr int32_t kUnionObjectKind = 128;

// Bits of the flags row's Flag.
constexpr int kOutputAllFields = 0x01;  // "*" after the listed columns
constexpr int kDistinct = 0x02;         // in a union query: UNION rather than UNION ALL
constexpr int kOwnerAccess = 0x04;      // WITH OWNERACCESS OPTION
constexpr int kDistinctRow = 0x08;
constexpr int kTop = 0x10;      // TOP n, n in the flags row's Name1
constexpr int kPercent = 0x20;  // TOP n PERCENT

// Flag of an output column or GROUP BY row in a crosstab query: the value
// (TRANSFORM) column has neither bit.
constexpr int kCrosstabPivot = 0x01;
constexpr int kCrosstabRowHeading = 0x02;
// Flag of an output column of an append query whose Expression is one of the
// VALUES (INSERT INTO ... VALUES rather than INSERT INTO ... SELECT).
constexpr int kAppendValue = 0x8000;

// Flag of a join row.
enum JoinType : int { kInnerJoin = 1, kLeftJoin = 2, kRightJoin = 3 };

inline constexpr const char* kUnionFirstPart = "X7YZ_____1";
inline constexpr const char* kUnionSecondPart = "X7YZ_____2";
inline constexpr const char* kDescending = "D";

// Throws the Corrupt error every part of the stored-query reader uses, naming
// the query by its object id.
[[noreturn]] void throwQueryCorrupt(int32_t objectId, const std::string& what);

}  // namespace jet::query_format
