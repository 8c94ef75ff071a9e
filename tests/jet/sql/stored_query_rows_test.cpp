// SQL text taken apart into MSysQueries rows and read back: every stored
// query of every fixture, compared with the rows Access wrote for it, and
// small cases of each kind.
#include "jet/sql/stored_query_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "jet/catalog/stored_queries.h"
#include "jet/sql/parser/parser.h"
#include "jet/sql/stored_query_format.h"
#include "support/fixtures.h"

namespace jet {
namespace {

using namespace query_format;

std::string rowText(const QueryRow& r) {
    auto t = [](const std::optional<std::string>& s) {
        return s ? "'" + *s + "'" : std::string("-");
    };
    std::string out = std::to_string(r.attribute) + " " + t(r.name1) + " " + t(r.name2) + " " +
                      t(r.expression) + " " + std::to_string(r.flag);
    if (r.lvExtra) out += " lv" + std::to_string(*r.lvExtra);
    return out;
}

// The rows in the reader's order: by attribute, stored order within one.
std::vector<std::string> canonical(std::vector<QueryRow> rows) {
    std::stable_sort(rows.begin(), rows.end(), [](const QueryRow& a, const QueryRow& b) {
        return a.attribute < b.attribute;
    });
    std::vector<std::string> out;
    for (const QueryRow& r : rows) out.push_back(rowText(r));
    return out;
}

std::string joinedLines(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += "  " + l + "\n";
    return out;
}

// Our rows and Access's, with the differences FORMAT.md lists taken out:
// Access keeps its table rows in the order the tables were added to the
// design grid (ours follow the FROM clause; only the order of tables no
// join ties together shows in the text, and it is kept); it leaves out the
// type and flags rows of the select queries behind form controls; it keeps
// the line break before the last UNION in a union's first half.
std::pair<std::vector<std::string>, std::vector<std::string>> comparable(
    std::vector<QueryRow> access, std::vector<QueryRow> ours) {
    auto has = [](const std::vector<QueryRow>& rows, int attribute) {
        return std::any_of(rows.begin(), rows.end(),
                           [&](const QueryRow& r) { return r.attribute == attribute; });
    };
    for (int attribute : {kTypeAttribute, kFlagsAttribute}) {
        if (!has(access, attribute) && !has(access, kTypeAttribute)) {
            std::erase_if(ours, [&](const QueryRow& r) { return r.attribute == attribute; });
        }
    }
    for (std::vector<QueryRow>* rows : {&access, &ours}) {
        for (QueryRow& r : *rows) {
            if (r.attribute == kTableAttribute && r.name2 && *r.name2 == kUnionFirstPart &&
                r.expression) {
                while (!r.expression->empty() &&
                       (r.expression->back() == '\n' || r.expression->back() == '\r'))
                    r.expression->pop_back();
            }
        }
    }
    std::vector<std::string> a = canonical(access), o = canonical(ours);
    // Table rows as a set.
    for (std::vector<std::string>* lines : {&a, &o}) {
        auto first = std::find_if(lines->begin(), lines->end(),
                                  [](const std::string& l) { return l.starts_with("5 "); });
        auto last = std::find_if(first, lines->end(),
                                 [](const std::string& l) { return !l.starts_with("5 "); });
        std::sort(first, last);
    }
    return {a, o};
}

TEST(StoredQueryRows, EveryFixtureQueryRoundTripsAndMatchesAccessRows) {
    size_t checked = 0, identical = 0;
    for (const std::string& name : testing_support::allFixtures()) {
        std::shared_ptr<Database> db;
        try {
            db = Database::open(testing_support::fixture(name).string());
        } catch (const Error&) {
            continue;  // encrypted files: no queries of interest
        }
        const auto stored = readQueryRows(*db);
        for (const CatalogObject* object : db->queryObjects()) {
            const QueryDefinition q = readStoredQuery(*db, object->name);
            if (q.query.kind == QueryKind::Unknown) continue;
            SCOPED_TRACE(name + " query '" + q.name + "':\n" + q.query.sql);
            QueryRowSet ours;
            try {
                ours = q.query.kind == QueryKind::PassThrough
                           ? passThroughQueryRows(q.query.connectString.value_or(""), q.query.sql)
                           : storedQueryRows(q.query.sql);
            } catch (const Error& e) {
                ADD_FAILURE() << "refused: " << e.what();
                continue;
            }
            ++checked;
            EXPECT_EQ(ours.kind, q.query.kind);
            for (QueryRow& r : ours.rows) r.objectId = object->id;
            const StoredQuery back = storedQueryFromRows(ours.rows);
            EXPECT_EQ(back.sql, q.query.sql);
            EXPECT_EQ(objectFlagsForKind(ours.kind), object->flags & kObjectKindMask);

            // Access's rows, less the complex-column bookkeeping this engine
            // does not write, against ours.
            std::vector<QueryRow> access = stored.at(object->id);
            std::erase_if(access, [](const QueryRow& r) {
                return r.attribute >= kComplexColumnsAttribute && r.attribute != kEndAttribute;
            });
            if (canonical(access) == canonical(ours.rows)) ++identical;
            const auto [a, o] = comparable(access, ours.rows);
            EXPECT_EQ(a, o) << "Access's rows:\n" << joinedLines(a) << "ours:\n" << joinedLines(o);
        }
    }
    EXPECT_GE(checked, 4u * 9u + 56u);
    std::cout << checked << " fixture queries, " << identical
              << " with rows identical to Access's\n";
}

// What the rows read back as, in Access's layout (lines end "\r\n", written
// here as "\n").
std::string readBack(std::string_view sql) {
    std::string out = storedQueryFromRows(storedQueryRows(sql).rows).sql;
    std::string shown;
    for (size_t i = 0; i < out.size(); ++i) {
        if (out[i] == '\r' && i + 1 < out.size() && out[i + 1] == '\n') continue;
        shown += out[i];
    }
    return shown;
}

TEST(StoredQueryRows, EachKindReadsBackInAccessLayout) {
    struct Case {
        const char* sql;
        QueryKind kind;
        const char* shown;
    };
    const Case cases[] = {
        {"select distinctrow top 5 percent a.x as [the x], b.* from T as a, [U 2] b "
         "where a.x > 1 order by a.x desc, b.y",
         QueryKind::Select,
         "SELECT DISTINCTROW TOP 5 PERCENT a.x AS [the x], b.*\nFROM T AS a, [U 2] AS b\n"
         "WHERE a.x > 1\nORDER BY a.x DESC, b.y;"},
        // A bare * goes after the listed columns, as Access shows it.
        {"SELECT *, T.a FROM T", QueryKind::Select, "SELECT T.a, *\nFROM T;"},
        {"PARAMETERS [Low] Long, Who Text (50); SELECT DISTINCT T.a FROM T WHERE T.a >= [Low] "
         "WITH OWNERACCESS OPTION;",
         QueryKind::Select,
         "PARAMETERS Low Long, Who Text ( 50 );\nSELECT DISTINCT T.a\nFROM T\nWHERE T.a >= [Low]\n"
         "WITH OWNERACCESS OPTION;"},
        // Nested joins either way, a join of two fields, a subquery source.
        {"SELECT A.k FROM (A LEFT JOIN B ON A.k = B.k) RIGHT JOIN C ON (B.k = C.k) AND (A.j = C.j)",
         QueryKind::Select,
         "SELECT A.k\nFROM (A LEFT JOIN B ON A.k = B.k) RIGHT JOIN C ON (B.k = C.k) AND (A.j = "
         "C.j);"},
        {"SELECT P.n FROM P INNER JOIN (Q INNER JOIN R ON Q.r = R.r) ON P.q = Q.q, S",
         QueryKind::Select,
         "SELECT P.n\nFROM S, P INNER JOIN (Q INNER JOIN R ON Q.r = R.r) ON P.q = Q.q;"},
        {"SELECT s.n FROM (SELECT T.n FROM T WHERE T.n > (1)) AS s", QueryKind::Select,
         "SELECT s.n\nFROM (SELECT T.n FROM T WHERE T.n > (1)) AS s;"},
        {"SELECT T.g, Sum(T.v) AS Total FROM T GROUP BY T.g HAVING ((Sum(T.v))>10)",
         QueryKind::Select,
         "SELECT T.g, Sum(T.v) AS Total\nFROM T\nGROUP BY T.g\nHAVING ((Sum(T.v))>10);"},
        {"SELECT T.a INTO [New T] IN 'C:\\x.mdb' FROM T", QueryKind::MakeTable,
         "SELECT T.a INTO [New T] IN 'C:\\x.mdb'\nFROM T;"},
        {"INSERT INTO T (a, b) VALUES (1, 'x')", QueryKind::Append,
         "INSERT INTO T (a, b)\nVALUES (1, 'x');"},
        {"INSERT INTO T (a, [b c]) SELECT TOP 3 U.a, U.b FROM U ORDER BY U.a", QueryKind::Append,
         "INSERT INTO T (a, [b c])\nSELECT TOP 3 U.a, U.b\nFROM U\nORDER BY U.a;"},
        {"INSERT INTO T SELECT * FROM U", QueryKind::Append, "INSERT INTO T\nSELECT *\nFROM U;"},
        {"UPDATE DISTINCTROW T INNER JOIN U ON T.k = U.k SET T.a = U.a, T.b = Null WHERE U.c",
         QueryKind::Update,
         "UPDATE DISTINCTROW T INNER JOIN U ON T.k = U.k\nSET T.a = U.a, T.b = Null\nWHERE U.c;"},
        {"DELETE * FROM T WHERE T.a Is Null", QueryKind::Delete,
         "DELETE *\nFROM T\nWHERE T.a Is Null;"},
        {"DELETE T.* FROM T INNER JOIN U ON T.k = U.k", QueryKind::Delete,
         "DELETE T.*\nFROM T INNER JOIN U ON T.k = U.k;"},
        {"DELETE FROM T", QueryKind::Delete, "DELETE\nFROM T;"},
        {"TRANSFORM Count(T.id) AS N SELECT T.r FROM T GROUP BY T.r PIVOT T.c In ('a','b')",
         QueryKind::Crosstab,
         "TRANSFORM Count(T.id) AS N\nSELECT T.r\nFROM T\nGROUP BY T.r\nPIVOT T.c In ('a','b');"},
        // The last UNION splits the text; earlier parts stay as written.
        {"SELECT a FROM T UNION ALL (SELECT b FROM U) UNION SELECT c FROM V ORDER BY 1",
         QueryKind::Union,
         "SELECT a FROM T UNION ALL (SELECT b FROM U)\nUNION SELECT c FROM V\nORDER BY 1;"},
        {"CREATE TABLE N (a LONG, b TEXT(10))", QueryKind::DataDefinition,
         "CREATE TABLE N (a LONG, b TEXT(10))"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        const QueryRowSet rows = storedQueryRows(c.sql);
        EXPECT_EQ(rows.kind, c.kind);
        const std::string shown =
            c.kind == QueryKind::DataDefinition ? std::string(c.shown) + '\0' : c.shown;
        EXPECT_EQ(readBack(c.sql), shown);
        // Access's layout is a fixed point. (A data-definition text keeps
        // the NUL Access ends it with.)
        const std::string again = storedQueryFromRows(rows.rows).sql;
        EXPECT_EQ(storedQueryFromRows(storedQueryRows(again).rows).sql, again);
    }
}

TEST(StoredQueryRows, JoinsAreStoredFlatAsAccessStoresThem) {
    const QueryRowSet q = storedQueryRows(
        "SELECT * FROM (A LEFT JOIN B AS b2 ON A.k = b2.k) INNER JOIN C ON (C.x = b2.x) AND (C.y = "
        "A.y)");
    std::vector<std::string> joins, tables;
    for (const QueryRow& r : q.rows) {
        if (r.attribute == kJoinAttribute) joins.push_back(rowText(r));
        if (r.attribute == kTableAttribute) tables.push_back(rowText(r));
    }
    // Each join names the table of each side its condition uses; the two
    // conditions of one join are two rows, the later one first.
    EXPECT_EQ(joins,
              (std::vector<std::string>{"7 'A' 'b2' 'A.k = b2.k' 2", "7 'A' 'C' 'C.y = A.y' 1",
                                        "7 'b2' 'C' 'C.x = b2.x' 1"}));
    EXPECT_EQ(tables, (std::vector<std::string>{"5 'A' - - 0", "5 'B' 'b2' - 0", "5 'C' - - 0"}));
}

TEST(StoredQueryRows, RefusedTextsSayWhy) {
    struct Case {
        const char* sql;
        ErrorCode code;
        const char* message;
    };
    const Case cases[] = {
        {"SELECT a FROM", ErrorCode::Syntax, "Syntax error in FROM clause."},
        {"SELECT a FROM T WHERE (a", ErrorCode::Syntax, nullptr},
        {"", ErrorCode::Syntax,
         "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'."},
        {"INSERT INTO T (a, b) SELECT U.a FROM U", ErrorCode::InvalidArgument,
         "Number of query values and destination fields aren't the same."},
        {"INSERT INTO T SELECT a FROM U UNION SELECT b FROM V", ErrorCode::Unsupported, nullptr},
        {"PARAMETERS p Decimal; SELECT [p]", ErrorCode::Unsupported, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        try {
            storedQueryRows(c.sql);
            ADD_FAILURE() << "not refused";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), c.code) << e.what();
            if (c.message) {
                EXPECT_EQ(std::string(e.what()), c.message);
            }
        }
    }
}

}  // namespace
}  // namespace jet
