// Editing through the data surface's query on copies of Access files: edits,
// new records and deletes reach the file (read back through a second
// connection), the events and last edit action of each step, moves that
// post first, refused posts that keep the edit, the delete question and the
// size check before posting.
#include <gtest/gtest.h>

#include "db/query_value.h"
#include "db/user_feedback.h"
#include "jet/error.h"
#include "xdb_query_support.h"

namespace {

using db_test::columnText;
using db_test::currentText;
using db_test::gotoRow;
using db_test::kRowFixtures;
using db_test::QueryOnCopy;

const QString kSelectAll = QStringLiteral("SELECT * FROM TableIgnoreNulls2");

QString errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const jet::Error& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

// What the file holds, read by an engine database of its own (the program's
// connections share one per file, so they would see unwritten pages too).
QStringList storedColumn(const QString& path, const QString& field) {
    const std::shared_ptr<jet::Database> file = jet::Database::open(path.toStdString());
    jet::Recordset rows;
    rows.open(*file, "SELECT * FROM TableIgnoreNulls2 ORDER BY row");
    QStringList values;
    for (rows.first(); !rows.isEof(); rows.next()) {
        values << db::valueToText(rows.value(field.toStdString()));
    }
    return values;
}

// Answers the data layer's questions as told and remembers them.
struct ScriptedAnswers final : db::UserFeedback {
    ScriptedAnswers() : previous(db::setUserFeedback(this)) {}
    ~ScriptedAnswers() override { db::setUserFeedback(previous); }
    void showErrorReport(const QString&, const QString&) override {}
    bool askYesNo(const QString& question) override {
        questions << question;
        return answer;
    }
    void beginBusy(Qt::CursorShape) override {}
    void endBusy() override {}
    bool answer = false;
    QStringList questions;
    db::UserFeedback* previous;
};

QStringList eventsOf(TCustomQueryUDB& query, const std::function<void()>& action) {
    QStringList heard;
    int owner = 0;
    query.AddEventNotify(&owner, [&heard](TCustomQueryUDB&, TDatasetEventType e) {
        heard << QString::number(static_cast<int>(e));
    });
    action();
    query.RemoveEventNotify(&owner);
    return heard;
}

TEST(QueryUDBEdit, EditPostAndCancelReachTheFileOnlyWhenPosted) {
    for (const QString& fixture : kRowFixtures) {
        SCOPED_TRACE(fixture.toStdString());
        QueryOnCopy t(fixture);
        t.query.SetSQL(kSelectAll);
        t.query.RequeryEx(false);
        ASSERT_TRUE(gotoRow(t.query, "row2"));
        const size_t position = t.query.RecNo() - 1;

        QStringList heard = eventsOf(t.query, [&] {
            t.query.Edit();
            t.query.FieldByName("data2").SetValue(jet::Value::integer(99));
        });
        EXPECT_EQ(heard, (QStringList{QString::number(deBeforeEdit), QString::number(deAfterEdit)}));
        EXPECT_TRUE(t.query.IsEditing());
        EXPECT_FALSE(t.query.IsNewRec());
        EXPECT_EQ(t.query.LastEditAction(), leEdit);
        // The field and the grid's view of the row show the typed value.
        EXPECT_EQ(currentText(t.query, "data2"), "99");
        EXPECT_EQ(t.query.RecordValue(position, 2), jet::Value::integer(99));
        EXPECT_FALSE(storedColumn(t.path, "data2").contains("99"));

        heard = eventsOf(t.query, [&] { t.query.Post(); });
        EXPECT_EQ(heard, (QStringList{QString::number(deBeforePost), QString::number(deAfterPost),
                                      QString::number(deAfterPostOrApplyUpdates)}));
        EXPECT_FALSE(t.query.IsEditing());
        EXPECT_EQ(currentText(t.query, "row"), "row2");
        EXPECT_TRUE(storedColumn(t.path, "data2").contains("99"));

        // Cancel drops what was typed.
        t.query.Edit();
        t.query.FieldByName("data1").SetAsString("changed");
        heard = eventsOf(t.query, [&] { t.query.Cancel(); });
        EXPECT_EQ(heard, (QStringList{QString::number(deBeforeCancel), QString::number(deAfterCancel)}));
        EXPECT_EQ(t.query.LastEditAction(), leCancel);
        EXPECT_NE(currentText(t.query, "data1"), "changed");
        EXPECT_FALSE(storedColumn(t.path, "data1").contains("changed"));
        // Outside an edit nothing can be set.
        EXPECT_EQ(errorOf([&] { t.query.FieldByName("data1").SetAsString("x"); }),
                  "Dataset not in edit or insert mode.");
    }
}

TEST(QueryUDBEdit, MovingPostsAChangedEditAndARefusedPostKeepsItAndThePlace) {
    QueryOnCopy t(kRowFixtures[0]);
    t.query.SetSQL(kSelectAll);
    t.query.RequeryEx(false);
    t.query.SetSortEx("row");
    t.query.First();  // row0

    // An unchanged edit is dropped by a move.
    t.query.Edit();
    t.query.Next();
    EXPECT_FALSE(t.query.IsEditing());
    EXPECT_EQ(t.query.LastEditAction(), leCancel);

    // A changed one is posted by it.
    t.query.Edit();
    t.query.FieldByName("data1").SetAsString("moved on");
    t.query.Next();
    EXPECT_FALSE(t.query.IsEditing());
    EXPECT_EQ(storedColumn(t.path, "data1").at(1), "moved on");

    // A value the column cannot take: the move fails, the edit and the
    // record stay, and the user can mend the value.
    const size_t recNo = t.query.RecNo();
    t.query.Edit();
    t.query.FieldByName("data2").SetAsString("not a number");
    EXPECT_NE(errorOf([&] { t.query.Next(); }), "");
    EXPECT_TRUE(t.query.IsEditing());
    EXPECT_EQ(t.query.RecNo(), recNo);
    EXPECT_NE(errorOf([&] { t.query.RequeryEx(false); }), "");
    EXPECT_TRUE(t.query.IsEditing());
    t.query.FieldByName("data2").SetAsString("42");
    t.query.SetSortEx("data2 DESC");  // posts, then sorts
    EXPECT_FALSE(t.query.IsEditing());
    EXPECT_EQ(currentText(t.query, "data2"), "42");
    EXPECT_TRUE(storedColumn(t.path, "data2").contains("42"));
}

TEST(QueryUDBEdit, NewRecordsComeLastAndDeletesAskWhenTold) {
    for (const QString& fixture : kRowFixtures) {
        SCOPED_TRACE(fixture.toStdString());
        QueryOnCopy t(fixture);
        ScriptedAnswers answers;
        t.query.SetSQL(kSelectAll);
        t.query.RequeryEx(false);
        t.query.SetSortEx("row");

        QStringList heard = eventsOf(t.query, [&] { t.query.Append(); });
        EXPECT_EQ(heard, (QStringList{QString::number(deBeforeInsert), QString::number(deAfterInsert)}));
        EXPECT_TRUE(t.query.IsNewRec());
        EXPECT_EQ(t.query.LastEditAction(), leInsert);
        t.query.FieldByName("row").SetAsString("a new row");
        t.query.FieldByName("data2").SetAsString("7");
        EXPECT_EQ(currentText(t.query, "row"), "a new row");
        t.query.Post();
        // Last in the view, whatever the sort, until the next re-query.
        EXPECT_EQ(t.query.RecordCount(), 12u);
        EXPECT_EQ(t.query.RecNo(), 12u);
        EXPECT_EQ(currentText(t.query, "row"), "a new row");
        EXPECT_EQ(storedColumn(t.path, "row").first(), "a new row");

        // Deleting a new record cancels it.
        t.query.Insert();
        t.query.Delete();
        EXPECT_FALSE(t.query.IsEditing());
        EXPECT_EQ(t.query.RecordCount(), 12u);

        // The question, answered No, then Yes.
        t.query.ConfirmDelete = true;
        ASSERT_TRUE(gotoRow(t.query, "row5"));
        heard = eventsOf(t.query, [&] { t.query.Delete(); });
        EXPECT_TRUE(heard.isEmpty());
        EXPECT_EQ(answers.questions, QStringList{"Delete selected record?"});
        EXPECT_EQ(t.query.RecordCount(), 12u);
        answers.answer = true;
        heard = eventsOf(t.query, [&] { t.query.Delete(); });
        EXPECT_EQ(heard, (QStringList{QString::number(deBeforeDelete), QString::number(deAfterDelete),
                                      QString::number(deAfterPostOrApplyUpdates)}));
        EXPECT_EQ(t.query.LastEditAction(), leDelete);
        EXPECT_EQ(t.query.RecordCount(), 11u);
        EXPECT_EQ(currentText(t.query, "row"), "row6");  // the next one takes its place
        const QStringList rows = storedColumn(t.path, "row");
        EXPECT_FALSE(rows.contains("row5"));
        EXPECT_EQ(rows.size(), 11);
    }
}

TEST(QueryUDBEdit, TooLongTextIsCutOnlyWithTheSizeCheck) {
    QueryOnCopy t(kRowFixtures[0]);
    t.query.SetSQL(kSelectAll);
    t.query.RequeryEx(false);
    const QString tooLong(60, u'x');  // the column holds 50 characters
    t.query.Edit();
    t.query.FieldByName("data1").SetAsString(tooLong);
    EXPECT_EQ(errorOf([&] { t.query.Post(); }).left(38), "The field is too small to accept the a");
    EXPECT_TRUE(t.query.IsEditing());
    t.query.CheckFieldSizeBeforePost = true;
    t.query.Post();
    EXPECT_EQ(currentText(t.query, "data1"), QString(50, u'x'));
    EXPECT_TRUE(storedColumn(t.path, "data1").contains(QString(50, u'x')));
}

}  // namespace
