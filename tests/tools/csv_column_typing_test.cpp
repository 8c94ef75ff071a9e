// Column lists typed by the user and column types inferred from CSV data.
#include "tools/csv_column_typing.h"

#include <gtest/gtest.h>

#include "jet/catalog/type_codes.h"
#include "jet/error.h"

namespace {

// "Name:type[(size)][+auto]" per column, joined by ", ".
std::string show(const std::vector<jet::ColumnSpec>& columns) {
    std::string out;
    for (const jet::ColumnSpec& c : columns) {
        if (!out.empty()) out += ", ";
        out += c.name + ":" + std::to_string(c.daoType);
        if (c.size != 0) out += "(" + std::to_string(c.size) + ")";
        if (c.autoIncrement) out += "+auto";
    }
    return out;
}

TEST(CsvColumnTyping, ColumnListsParse) {
    struct Case {
        const char* text;
        const char* columns;
    };
    const Case cases[] = {
        {"Name Text(40), Qty Long, Price Currency", "Name:10(40), Qty:4, Price:5"},
        {"[Unit Price] currency, [a,b] TEXT ( 5 )", "Unit Price:5, a,b:10(5)"},
        {"id Counter, id2 AutoNumber", "id:4+auto, id2:4+auto"},
        {"a Memo,b Boolean,c Byte,d Integer,e BigInt,f Single,g Double,h Date",
         "a:12, b:1, c:2, d:3, e:16, f:6, g:7, h:8"},
        {" raw Binary(16) , pic LongBinary , key GUID , t text ",
         "raw:9(16), pic:11, key:15, t:10"},
        // The names `schema` prints, so its output can be given back.
        {"a Text (10), b DateTime, c Integer, d Long, e Memo", "a:10(10), b:8, c:3, d:4, e:12"},
        // Access DDL's words, through the SQL parser's table of them.
        {"a DATETIME, b YESNO, c TEXT(20), d VARCHAR(5), e SHORT, f IEEEDOUBLE, g MONEY",
         "a:8, b:1, c:10(20), d:10(5), e:3, f:7, g:5"},
        {"a AUTOINCREMENT, b LONGTEXT, c OLEOBJECT, d UNIQUEIDENTIFIER",
         "a:4+auto, b:12, c:11, d:15"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(show(tools::parseColumnList(c.text)), c.columns);
    }
}

TEST(CsvColumnTyping, BadColumnListsNameTheEntry) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"", "The column list names no columns."},
        {"Name Text, Price Curency", "Column list entry 2 'Price Curency': unknown type 'Curency'"},
        {"Name", "Column list entry 1 'Name': a type is needed"},
        {"a Long,,b Long", "Column list entry 2 '': a name and a type are needed"},
        {"a Long(4)", "Column list entry 1 'a Long(4)': only Text and Binary take a size"},
        {"a Text(x)", "Column list entry 1 'a Text(x)': the size must be a whole number"},
        {"a Text(0)", "Column list entry 1 'a Text(0)': the size must be at least 1"},
        {"a Text(40", "Column list entry 1 'a Text(40': the size's ')' is missing"},
        {"[a b Text", "Column list entry 1 '[a b Text': the name's ']' is missing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            tools::parseColumnList(c.text);
            ADD_FAILURE() << "accepted";
        } catch (const jet::Error& e) {
            EXPECT_EQ(e.code(), jet::ErrorCode::InvalidArgument);
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
}

TEST(CsvColumnTyping, TypesInferredFromValues) {
    using jet::kDaoBoolean, jet::kDaoLong, jet::kDaoDouble, jet::kDaoDate, jet::kDaoText,
        jet::kDaoMemo;
    struct Case {
        const char* what;
        std::vector<std::string> values;
        int daoType;
        int size;
    };
    const Case cases[] = {
        {"integers", {"1", "-20", "+300", "0"}, kDaoLong, 0},
        {"Long range edges", {"2147483647", "-2147483648"}, kDaoLong, 0},
        {"past Long", {"2147483648"}, kDaoDouble, 0},
        {"integers and decimals", {"1", "2.5", "-.5", "1e3", "6.02E+23"}, kDaoDouble, 0},
        {"15 significant digits", {"123456789012345", "0.00012345678901234500"}, kDaoDouble, 0},
        {"16 significant digits", {"1234567890123456"}, kDaoText, 16},
        {"leading zeros are codes", {"007", "12"}, kDaoText, 3},
        {"booleans", {"true", "FALSE", "True"}, kDaoBoolean, 0},
        {"boolean and number", {"true", "1"}, kDaoText, 4},
        {"dates", {"2024-02-29", "1999-12-31 23:59:59", "2000-01-01T00:00:00"}, kDaoDate, 0},
        {"not a leap year", {"2023-02-29"}, kDaoText, 10},
        {"bad time", {"2024-01-01 24:00:00"}, kDaoText, 19},
        {"date and number", {"2024-01-01", "5"}, kDaoText, 10},
        {"text length in UTF-16 units", {"abc", "日本語日本語", "😀"}, kDaoText, 6},
        {"empty cells are nulls", {"", "5", ""}, kDaoLong, 0},
        {"no values at all", {"", ""}, kDaoText, 255},
        {"255 characters", {std::string(255, 'x')}, kDaoText, 255},
        {"256 characters", {"short", std::string(256, 'x')}, kDaoMemo, 0},
        {"not numbers", {"1.2.3", "-", "1e", "1e1234", "nan", "inf"}, kDaoText, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tools::CsvColumnTyper typer;
        std::vector<std::string> header = {"col"};
        typer.addHeader(header);
        for (const std::string& v : c.values) {
            std::vector<std::string> row = {v};
            typer.addRow(row);
        }
        std::vector<jet::ColumnSpec> columns = typer.columns();
        ASSERT_EQ(columns.size(), 1u);
        EXPECT_EQ(columns[0].name, "col");
        EXPECT_EQ(columns[0].daoType, c.daoType);
        EXPECT_EQ(columns[0].size, c.size);
    }
}

TEST(CsvColumnTyping, HeaderNamesAndRaggedRows) {
    tools::CsvColumnTyper typer;
    std::vector<std::string> header = {"id", "", "price"};
    typer.addHeader(header);
    std::vector<std::string> shortRow = {"1"};
    std::vector<std::string> longRow = {"2", "x", "9.5", "true"};
    typer.addRow(shortRow);
    typer.addRow(longRow);
    EXPECT_EQ(show(typer.columns()), "id:4, Field2:10(1), price:7, Field4:1");
}

}  // namespace
