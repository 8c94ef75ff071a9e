// --param NAME=VALUE of tabulon-cli: values read as Access literals, and a
// stored query's parameters answered from the command line.
#include "tools/cli_parameters.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "support/fixtures.h"

namespace tools {
namespace {

TEST(CliParameters, ValuesAreReadAsLiterals) {
    const struct {
        const char* argument;
        std::string name;
        jet::Value value;
    } cases[] = {
        {"Lowest=1000", "Lowest", jet::Value::integer(1000)},
        {"[Forms]![Dialog]![Start]=-7", "[Forms]![Dialog]![Start]", jet::Value::integer(-7)},
        {"Big=3000000000", "Big", jet::Value::real(3000000000.0)},
        {"Rate=1.5", "Rate", jet::Value::real(1.5)},
        {"Since=#2024-03-15#", "Since", jet::Value::dateTime(45366)},
        {"On=true", "On", jet::Value::boolean(true)},
        {"Missing=Null", "Missing", jet::Value::null()},
        {"City=Oslo", "City", jet::Value::text("Oslo")},
        {"Code='12'", "Code", jet::Value::text("12")},
        {"Eq=a=b", "Eq", jet::Value::text("a=b")},
        {"Empty=", "Empty", jet::Value::text("")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argument);
        const auto [name, value] = parseParameterArgument(c.argument);
        EXPECT_EQ(name, c.name);
        EXPECT_EQ(value, c.value);
    }
    EXPECT_THROW(parseParameterArgument("NoEquals"), std::invalid_argument);
    EXPECT_THROW(parseParameterArgument("=5"), std::invalid_argument);
    EXPECT_THROW(parseParameterArgument("When=#not a date#"), std::invalid_argument);
}

#ifdef TABULON_CLI
TEST(CliParameters, AnswerTheParametersOfAStatement) {
    const std::string file =
        testing_support::shellQuote(testing_support::fixture("V2000/testV2000.mdb").string());
    const std::string sql = testing_support::shellQuote(
        "PARAMETERS [Forms]![Dialog]![Lowest] Long; SELECT A FROM Table1 WHERE E > "
        "Forms![Dialog]!Lowest");
    int status = -1;
    std::string out =
        testing_support::runCommand(std::string(TABULON_CLI) + " sql " + file + " " + sql +
                                        " --param '[Forms]![Dialog]![Lowest]=1000'",
                                    &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "A\n\"abcdefg\"\n");
    out = testing_support::runCommand(
        std::string(TABULON_CLI) + " sql " + file + " " + sql + " 2>&1", &status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out, "No value given for one or more required parameters.\n");
}
#endif

}  // namespace
}  // namespace tools
