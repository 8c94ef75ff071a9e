// Reading CSV text record by record: quoting, line ends, the byte-order mark,
// NULL versus empty text, and the errors for malformed input.
#include "tools/csv_reader.h"

#include <gtest/gtest.h>

#include <sstream>

#include "jet/error.h"
#include "jet/value.h"
#include "tools/csv_format.h"

namespace {

// Every record as fields joined by "|", quoted fields marked with <>, records
// separated by "/".
std::string readAll(const std::string& text) {
    std::istringstream in(text);
    tools::CsvReader reader(in);
    std::vector<std::string> fields;
    std::string out;
    while (reader.next(fields)) {
        if (!out.empty()) out += "/";
        for (size_t i = 0; i < fields.size(); ++i) {
            if (i > 0) out += "|";
            out += reader.wasQuoted(i) ? "<" + fields[i] + ">" : fields[i];
        }
    }
    return out;
}

TEST(CsvReader, RecordsAndFields) {
    struct Case {
        const char* name;
        std::string text;
        std::string records;
    };
    const Case cases[] = {
        {"plain", "a,b,c\n1,2,3\n", "a|b|c/1|2|3"},
        {"no final line end", "a,b\n1,2", "a|b/1|2"},
        {"CRLF", "a,b\r\n1,2\r\n", "a|b/1|2"},
        {"lone CR", "a,b\r1,2\r", "a|b/1|2"},
        {"empty fields", ",x,\n", "|x|"},
        {"empty line is one empty field", "a\n\nb\n", "a//b"},
        {"quoted comma and quote", "\"a,b\",\"say \"\"hi\"\"\"\n", "<a,b>|<say \"hi\">"},
        {"quoted line breaks kept as written", "\"l1\r\nl2\nl3\",x\n", "<l1\r\nl2\nl3>|x"},
        {"empty quoted is not null", "\"\",\n", "<>|"},
        {"byte-order mark skipped", "\xEF\xBB\xBFid,name\n", "id|name"},
        {"quote inside unquoted text kept", "5\" disk,x\n", "5\" disk|x"},
        {"UTF-8 passes through", "Größe,日本\n", "Größe|日本"},
        {"empty input", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readAll(c.text), c.records);
    }
}

TEST(CsvReader, MalformedInputIsRefusedWithTheLine) {
    struct Case {
        const char* name;
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {"open quote", "a\nb\n\"never closed\nmore\n",
         "CSV line 3: a quoted field is not closed before the end of the file"},
        {"text after quote", "a,b\r\n\"x\"y,z\r\n",
         "CSV line 2: unexpected text after the closing quote of field 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            readAll(c.text);
            ADD_FAILURE() << "accepted";
        } catch (const jet::Error& e) {
            EXPECT_EQ(e.code(), jet::ErrorCode::InvalidArgument);
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
    std::istringstream in("short\n" + std::string(100, 'x') + "\n");
    tools::CsvReader reader(in, 50);
    std::vector<std::string> fields;
    EXPECT_TRUE(reader.next(fields));
    EXPECT_THROW(reader.next(fields), jet::Error);
}

TEST(CsvReader, LinesCountQuotedLineBreaks) {
    std::istringstream in("a\n\"two\nlines\"\r\nc\r\n");
    tools::CsvReader reader(in);
    std::vector<std::string> fields;
    std::vector<size_t> lines;
    while (reader.next(fields)) lines.push_back(reader.line());
    EXPECT_EQ(lines, (std::vector<size_t>{1, 2, 4}));
}

TEST(CsvReader, ReadsBackWhatTheCliWrites) {
    const std::vector<jet::Value> values = {jet::Value::null(), jet::Value::text(""),
                                            jet::Value::text("a \"quoted\", text\r\nline"),
                                            jet::Value::integer(42)};
    std::string line;
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0) line += ",";
        line += tools::csvField(values[i]);
    }
    std::istringstream in(line + "\r\n");
    tools::CsvReader reader(in);
    std::vector<std::string> fields;
    ASSERT_TRUE(reader.next(fields));
    ASSERT_EQ(fields.size(), 4u);
    EXPECT_FALSE(reader.wasQuoted(0));  // NULL
    EXPECT_EQ(fields[0], "");
    EXPECT_TRUE(reader.wasQuoted(1));  // empty text
    EXPECT_EQ(fields[1], "");
    EXPECT_EQ(fields[2], "a \"quoted\", text\r\nline");
    EXPECT_EQ(fields[3], "42");
    EXPECT_FALSE(reader.next(fields));
}

}  // namespace
