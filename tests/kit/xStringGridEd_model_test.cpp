// The editable string grid's rules without a window: the new-row rule, the
// change log and its shifting, the typed getters and setters, validation and
// the column definitions. The user's actions: xStringGridEd_actions_test.cpp.
#include "kit/xStringGridEd_model.h"

#include <gtest/gtest.h>

#include <QDateTime>

#include "kit/xStringGridEd_test_grid.h"
#include "kit/xStringGridEd_values.h"
#include "kit/xdlg_scripted.h"
#include "kit/xdlg_test_print.h"

namespace kit {
namespace {

using Grid = StringGridEdTestGrid;

TEST(StringGridEdNewRowRule, KeepsExactlyOneEmptyRowAtTheEnd) {
    struct Case {
        const char* name;
        bool autoAdd;
        std::function<void(StringGridEdModel&)> action;
        const char* expected;  // column 1 of the data rows
    };
    const Case cases[] = {
        {"typing into the last row appends one", true,
         [](StringGridEdModel& m) { m.SetEditText(1, 1, "a"); }, "a|"},
        {"emptying it again removes the extra row", true,
         [](StringGridEdModel& m) {
             m.SetEditText(1, 1, "a");
             m.SetEditText(1, 1, "");
         },
         ""},
        {"blanks count as empty", true, [](StringGridEdModel& m) { m.SetEditText(2, 1, "  "); },
         ""},
        {"text in the fixed column does not fill a row", true,
         [](StringGridEdModel& m) { m.SetEditText(0, 1, "3"); }, ""},
        {"any data column fills a row", true,
         [](StringGridEdModel& m) { m.SetEditText(3, 1, "x"); }, "|"},
        {"off: nothing is added", false, [](StringGridEdModel& m) { m.SetEditText(1, 1, "a"); },
         "a"},
        {"locked: rows wait for EndUpdate", true,
         [](StringGridEdModel& m) {
             m.BeginUpdate(false);
             m.SetEditText(1, 1, "a");
             EXPECT_EQ(m.RowCount(), 2);
             m.EndUpdate();
         },
         "a|"},
        {"surplus empty rows collapse to one", true,
         [](StringGridEdModel& m) {
             m.BeginUpdate(false);
             m.setRowCount(6);
             m.EndUpdate();
         },
         "a|"},
        {"deleting the filled row leaves one empty row", true,
         [](StringGridEdModel& m) { m.DeleteRowEx(1, 1); }, ""},
        {"clearing the table leaves one empty row", true,
         [](StringGridEdModel& m) {
             m.SetStringCells(1, 2, "b");
             m.ClearEntireTable(false);
         },
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Grid grid(1, c.autoAdd);
        if (std::string(c.name).find("surplus") != std::string::npos ||
            std::string(c.name).find("deleting") != std::string::npos ||
            std::string(c.name).find("clearing") != std::string::npos)
            grid.model.SetEditText(1, 1, "a");
        c.action(grid.model);
        EXPECT_EQ(grid.column1(), QString(c.expected));
    }
}

TEST(StringGridEdChangeLog, SetStringCellsLogsAndNotifiesPerLockMode) {
    struct Case {
        const char* name;
        int lock;  // 0 none, 1 BeginUpdate(false), 2 BeginUpdate(true)
        QString text;
        bool logged;
        bool notified;
    };
    const Case cases[] = {
        {"unlocked", 0, "x", true, true},
        {"the same text", 0, "old", false, false},
        {"locked without log", 1, "x", false, false},
        {"locked with log", 2, "x", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Grid grid;
        grid.model.setCells(2, 3, "old");
        if (c.lock) grid.model.BeginUpdate(c.lock == 2);
        grid.model.SetStringCells(2, 3, c.text);
        EXPECT_EQ(grid.model.Cells(2, 3), c.text);
        EXPECT_EQ(grid.model.isCellChanged(2, 3), c.logged);
        EXPECT_EQ(grid.model.isRowChanged(3), c.logged);
        EXPECT_EQ(grid.finished.size(), c.notified ? 1u : 0u);
    }
}

TEST(StringGridEdChangeLog, BoolAndDateSettersNeitherLogNorNotify) {
    Grid grid;
    grid.model.GetColumn(2).ButtonStyle = sgbCheckbox;
    grid.model.SetBoolCells(2, 3, true);
    grid.model.GetColumn(3).DataType = sgdDate;
    grid.model.SetDateTimeCells(3, 3, QDateTime(QDate(2024, 2, 29), QTime(0, 0)));
    EXPECT_EQ(grid.model.Cells(2, 3), "1");
    EXPECT_EQ(grid.model.Cells(3, 3), "2/29/2024");
    EXPECT_TRUE(grid.model.ChangedCells().isEmpty());
    EXPECT_TRUE(grid.finished.empty());
}

TEST(StringGridEdChangeLog, EntriesKeepFirstLoggedOrderWithoutDuplicates) {
    Grid grid;
    grid.model.SetStringCells(3, 2, "a");
    grid.model.SetStringCells(1, 1, "b");
    grid.model.SetStringCells(3, 2, "c");
    EXPECT_EQ(grid.model.ChangedRows(), (QStringList{"2", "1"}));
    EXPECT_EQ(grid.model.ChangedCells(), (QStringList{"3;2", "1;1"}));
    grid.model.ResetChangeLog();
    EXPECT_TRUE(grid.model.ChangedRows().isEmpty());
    EXPECT_TRUE(grid.model.ChangedCells().isEmpty());
}

TEST(StringGridEdChangeLog, ShiftsWithInsertedAndDeletedRows) {
    struct Case {
        const char* name;
        std::function<void(StringGridEdModel&)> action;
        QStringList rows;
        QStringList cells;
        const char* column1;
    };
    // Rows 3, 5 and 7 are logged (cells 1;3 2;5 1;7); data rows hold r1..r8.
    const Case cases[] = {
        {"delete row 3",
         [](StringGridEdModel& m) { m.DeleteRowEx(3, 1); },
         {"4", "6"},
         {"2;4", "1;6"},
         "r1|r2|r4|r5|r6|r7|r8"},
        {"delete rows 4 and 5",
         [](StringGridEdModel& m) { m.DeleteRowEx(4, 2); },
         {"3", "5"},
         {"1;3", "1;5"},
         "r1|r2|r3|r6|r7|r8"},
        {"delete past the end clamps",
         [](StringGridEdModel& m) { m.DeleteRowEx(7, 10); },
         {"3", "5"},
         {"1;3", "2;5"},
         "r1|r2|r3|r4|r5|r6"},
        {"insert two rows at 5",
         [](StringGridEdModel& m) { m.InsertRowEx(5, 2, false); },
         {"3", "7", "9"},
         {"1;3", "2;7", "1;9"},
         "r1|r2|r3|r4|||r5|r6|r7|r8"},
        {"no count does nothing",
         [](StringGridEdModel& m) { m.DeleteRowEx(3, 0); },
         {"3", "5", "7"},
         {"1;3", "2;5", "1;7"},
         "r1|r2|r3|r4|r5|r6|r7|r8"},
        {"a fixed row is not deleted",
         [](StringGridEdModel& m) { m.DeleteRowEx(0, 1); },
         {"3", "5", "7"},
         {"1;3", "2;5", "1;7"},
         "r1|r2|r3|r4|r5|r6|r7|r8"},
        {"move row 3 to 6",
         [](StringGridEdModel& m) { m.MoveRowEx(3, 6); },
         {"6", "4", "7"},
         {"1;6", "2;4", "1;7"},
         "r1|r2|r4|r5|r6|r3|r7|r8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Grid grid(8);
        for (int row = 1; row <= 8; ++row) grid.model.setCells(1, row, QString("r%1").arg(row));
        grid.model.SetStringCells(1, 3, "r3");  // equal: not logged
        grid.model.finishCell(1, 3, true);
        grid.model.finishCell(2, 5, true);
        grid.model.finishCell(1, 7, true);
        c.action(grid.model);
        EXPECT_EQ(grid.model.ChangedRows(), c.rows);
        EXPECT_EQ(grid.model.ChangedCells(), c.cells);
        EXPECT_EQ(grid.column1(), QString(c.column1));
    }
}

TEST(StringGridEdChangeLog, DeletingTheOnlyDataRowLeavesItEmptied) {
    Grid grid(1);
    grid.model.SetStringCells(1, 1, "x");
    grid.model.DeleteRowEx(1, 1);
    EXPECT_EQ(grid.model.RowCount(), 2);
    EXPECT_EQ(grid.column1(), "");
    EXPECT_TRUE(grid.model.ChangedRows().isEmpty());
}

TEST(StringGridEdTypedCells, GettersReadOrRaiseAndSelectTheCell) {
    struct Case {
        TxStringGridEdDataType type;
        QString format;
        QString text;
        std::optional<QString> value;  // what the getter gives, as text; nothing: it raises
    };
    const Case cases[] = {
        {sgdInteger, "", "42", "42"},
        {sgdInteger, "", "", "0"},
        {sgdInteger, "", " -7 ", "-7"},
        {sgdInteger, "", "12x", std::nullopt},
        {sgdInteger, "", "1.5", std::nullopt},
        {sgdNumber, "", "1,234.5", "1234.5"},
        {sgdNumber, "", "", "0"},
        {sgdNumber, "", "1 000", "1000"},
        {sgdNumber, "", "abc", std::nullopt},
        {sgdDate, "", "2/29/2024", "2024-02-29T00:00:00"},
        {sgdDate, "", "2024-03-01", "2024-03-01T00:00:00"},
        {sgdDate, "dd.mm.yyyy", "01.03.2024", "2024-03-01T00:00:00"},
        {sgdDate, "", "", ""},  // empty: a null date-time, no error
        {sgdDate, "", "31/31/2024", std::nullopt},
        {sgdDate, "", "soon", std::nullopt},
        {sgdDateTime, "", "3/1/2024 14:30", "2024-03-01T14:30:00"},
        {sgdTime, "", "7:05 pm", "1899-12-30T19:05:00"},
        {sgdTime, "", "25:00", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.text + " as type " + QString::number(c.type)).toStdString());
        Grid grid;
        grid.model.GetColumn(2).DataType = c.type;
        grid.model.GetColumn(2).NumFormat = c.format;
        grid.model.setCells(2, 3, c.text);
        grid.model.selectCell(1, 1);
        auto read = [&]() -> QString {
            if (c.type == sgdInteger) return QString::number(grid.model.GetIntCells(2, 3));
            if (c.type == sgdNumber) return QString::number(grid.model.GetNumCells(2, 3));
            return grid.model.GetDateTimeCells(2, 3).toString(Qt::ISODate);
        };
        if (c.value) {
            EXPECT_EQ(read(), *c.value);
            EXPECT_EQ(grid.model.Col(), 1);
        } else {
            EXPECT_THROW(read(), TxConvertError);
            EXPECT_EQ(grid.model.Col(), 2);
            EXPECT_EQ(grid.model.Row(), 3);
        }
    }
}

TEST(StringGridEdTypedCells, TheErrorNamesTheText) {
    Grid grid;
    grid.model.setCells(2, 2, "12x");
    try {
        grid.model.GetIntCells(2, 2);
        FAIL() << "no error";
    } catch (const TxConvertError& error) {
        EXPECT_STREQ(error.what(), "'12x' is not a valid integer value");
    }
}

TEST(StringGridEdTypedCells, SettersFormatAndLogAsTheirKindDoes) {
    struct Case {
        const char* name;
        TxStringGridEdDataType type;
        QString format;
        std::function<void(StringGridEdModel&)> set;
        QString text;
        bool logged;
    };
    const Case cases[] = {
        {"number with format", sgdNumber, "#,##0.00",
         [](StringGridEdModel& m) { m.SetNumCells(2, 3, 1234.5); }, "1,234.50", true},
        {"number without format", sgdNumber, "",
         [](StringGridEdModel& m) { m.SetNumCells(2, 3, 0.1); }, "0.1", true},
        {"integer", sgdInteger, "", [](StringGridEdModel& m) { m.SetIntCells(2, 3, -12); }, "-12",
         true},
        {"date and time", sgdDateTime, "",
         [](StringGridEdModel& m) {
             m.SetDateTimeCells(2, 3, QDateTime(QDate(2024, 3, 1), QTime(14, 30)));
         },
         "3/1/2024 14:30:00", false},
        {"date alone", sgdDateTime, "",
         [](StringGridEdModel& m) {
             m.SetDateTimeCells(2, 3, QDateTime(QDate(2024, 3, 1), QTime(0, 0)));
         },
         "3/1/2024", false},
        {"time", sgdTime, "",
         [](StringGridEdModel& m) {
             m.SetDateTimeCells(2, 3, QDateTime(QDate(2024, 3, 1), QTime(9, 5, 7)));
         },
         "09:05:07", false},
        {"date with format", sgdDate, "yyyy-mm-dd",
         [](StringGridEdModel& m) {
             m.SetDateTimeCells(2, 3, QDateTime(QDate(2024, 3, 1), QTime(0, 0)));
         },
         "2024-03-01", false},
        {"bool", sgdText, "", [](StringGridEdModel& m) { m.SetBoolCells(2, 3, false); }, "0",
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Grid grid;
        grid.model.GetColumn(2).DataType = c.type;
        grid.model.GetColumn(2).NumFormat = c.format;
        c.set(grid.model);
        EXPECT_EQ(grid.model.Cells(2, 3), c.text);
        EXPECT_EQ(grid.model.isCellChanged(2, 3), c.logged);
    }
}

TEST(StringGridEdTypedCells, BoolCellsCompareWithoutLetterCase) {
    Grid grid;
    TxStringGridEdColumn& column = grid.model.GetColumn(1);
    column.CheckBoxTrueValue = "True";
    column.CheckBoxFalseValue = "False";
    for (const auto& [text, expected] : std::vector<std::pair<QString, bool>>{
             {"TRUE", true}, {"true", true}, {"False", false}, {"1", false}, {"", false}}) {
        grid.model.setCells(1, 1, text);
        EXPECT_EQ(grid.model.GetBoolCells(1, 1), expected) << text.toStdString();
    }
}

TEST(StringGridEdTypedCells, FinishingRewritesValidNumbersAndDates) {
    struct Case {
        TxStringGridEdDataType type;
        QString format;
        QString typed;
        QString finished;
    };
    const Case cases[] = {
        {sgdNumber, "0.00", "3.14159", "3.14"},
        {sgdNumber, "0.00", "3,x", "3,x"},  // invalid stays as typed
        {sgdInteger, "", "1,200", "1200"},
        {sgdDate, "dd.mm.yyyy", "1.3.24", "01.03.2024"},
        {sgdDate, "", "2024-03-01 10:00", "3/1/2024"},  // a date keeps its date part
        {sgdTime, "hh:nn", "7:5", "07:05"},
        {sgdText, "0.00", "3.14159", "3.14159"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        Grid grid;
        grid.model.GetColumn(2).DataType = c.type;
        grid.model.GetColumn(2).NumFormat = c.format;
        grid.model.SetStringCells(2, 2, c.typed);
        EXPECT_EQ(grid.model.Cells(2, 2), c.finished);
        EXPECT_TRUE(grid.model.isCellChanged(2, 2));
    }
}

TEST(StringGridEdValidation, StatesPerDataType) {
    struct Case {
        TxStringGridEdDataType type;
        QString text;
        double min, max;
        TxStringGridEdDataState state;
    };
    const Case cases[] = {
        {sgdText, "anything", 0, 0, sdsOk},        {sgdText, "  ", 0, 0, sdsEmpty},
        {sgdInteger, "12x", 0, 0, sdsInvalid},     {sgdInteger, "1,200", 0, 0, sdsOk},
        {sgdInteger, "12", 1, 10, sdsOutOfLimit},  {sgdInteger, "-3", 0, 10, sdsOutOfLimit},
        {sgdNumber, "2.5", 0, 0, sdsOk},           {sgdNumber, "2.5.1", 0, 0, sdsInvalid},
        {sgdNumber, "0.5", 1, 0, sdsOutOfLimit},   {sgdDate, "2/30/2024", 0, 0, sdsInvalid},
        {sgdDate, "12/30/1899", 0, 0, sdsInvalid},  // the zero date is no date
        {sgdDate, "2/29/2024", 0, 0, sdsOk},       {sgdTime, "23:59", 0, 0, sdsOk},
        {sgdTime, "2/29/2024", 0, 0, sdsInvalid},  {sgdDateTime, "2/29/2024 8:00", 0, 0, sdsOk},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        Grid grid;
        TxStringGridEdColumn& column = grid.model.GetColumn(2);
        column.DataType = c.type;
        column.MinValue = c.min;
        column.MaxValue = c.max;
        grid.model.setCells(2, 1, c.text);
        EXPECT_EQ(grid.model.IsValidData(2, 1), c.state);
    }
    Grid grid;
    grid.model.setCells(2, 0, "Title");
    grid.model.GetColumn(2).DataType = sgdInteger;
    EXPECT_EQ(grid.model.IsValidData(2, 0), sdsOk);  // titles are never checked
}

TEST(StringGridEdValidation, BeepColumnsBeepOnInvalidTyping) {
    ScriptedDialogService dialogs;
    ScopedDialogService scope(dialogs);
    StringGridEdModel model;
    model.GetColumn(1).DataType = sgdInteger;
    model.GetColumn(1).InvalidDataAction = sgaBeep;
    model.SetEditText(1, 1, "1");
    model.SetEditText(1, 1, "-");  // a sign being typed is no error yet
    model.SetEditText(1, 1, "1x");
    EXPECT_EQ(dialogs.beeps(), 1);
}

TEST(StringGridEdColumns, DefinitionsFollowTheColumnCount) {
    StringGridEdModel model;
    EXPECT_EQ(model.ColCount(), 5);
    EXPECT_EQ(model.Columns().size(), 5u);
    model.GetColumn(4).FieldName = "last";
    model.setColCount(7);
    EXPECT_EQ(model.Columns().size(), 7u);
    EXPECT_EQ(model.GetColumn(4).FieldName, "last");
    EXPECT_EQ(model.GetColumn(6).CheckBoxTrueValue, "1");
    model.setColCount(3);
    EXPECT_EQ(model.Columns().size(), 3u);
    EXPECT_THROW(model.GetColumn(3), std::out_of_range);
    model.GetColumn(2).ButtonStyle = sgbCheckbox;
    model.GetColumn(2).RestoreDefaults();
    EXPECT_EQ(model.GetColumn(2).ButtonStyle, sgbNone);
}

}  // namespace
}  // namespace kit
