// The export dialog: its controls' choices reach the writer, the file comes
// from the save dialog (answered by the scripted dialog service), a
// cancelled choice writes nothing and a failed export is reported.
#include <gtest/gtest.h>

#include "common/qt_fixture_files.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include "io/dialog/xDBExportForm.h"
#include "kit/xdlg_scripted.h"
#include "table_source.h"

namespace {

using db::DataType;
using db::Value;
using io_test::TableSource;
using io_test::text;

TableSource rows() {
    return TableSource({{"Name", DataType::Text, 10}, {"Qty", DataType::Long}},
                       {{text("a"), Value::integer(1)}, {text("b"), Value::integer(2)}});
}

template <typename T>
T* child(QWidget& form, const char* name) {
    T* w = form.findChild<T*>(QString::fromLatin1(name));
    if (!w) ADD_FAILURE() << "no control " << name;
    return w;
}

// Writes a picture of the dialog's pages when TABULON_SCREENSHOTS names a
// folder (the pictures of docs/screenshots are made so).
void picture(QWidget& form, const QString& name) {
    const QString folder = qEnvironmentVariable("TABULON_SCREENSHOTS");
    if (!folder.isEmpty()) form.grab().save(QDir(folder).filePath(name));
}

TEST(ExportDialogTest, TextChoicesReachTheWriterAndTheFileComesFromTheSaveDialog) {
    QTemporaryDir dir;
    TableSource source = rows();
    TxDBExportForm form;
    form.Source = &source;
    form.show();
    picture(form, "export-dialog-text.png");
    child<QComboBox>(form, "cbAction_nostore")->setCurrentIndex(0);  // Save only
    child<QComboBox>(form, "cbSeparator_nostore")->setCurrentText("#124");
    EXPECT_EQ(form.windowTitle(), "Export data");

    kit::ScriptedDialogService dialogs;
    kit::ScopedDialogService use(dialogs);
    const QString out = dir.filePath("rows.txt");
    dialogs.answerFile(out);
    child<QPushButton>(form, "btOk")->click();
    EXPECT_EQ(testing_support::qtFileBytes(out), QByteArray("Name|Qty\r\n\"a\"|1\r\n\"b\"|2\r\n"));
    ASSERT_FALSE(dialogs.asked().empty());
    EXPECT_EQ(dialogs.asked().front().file.filter, "Text file (*.txt)|*.txt|All files (*.*)|*.*");
    EXPECT_EQ(dialogs.asked().front().file.defaultSuffix, "txt");
    EXPECT_TRUE(form.isVisible());  // the dialog stays for further exports

    // A cancelled save dialog writes nothing.
    const QString other = dir.filePath("other.txt");
    dialogs.answerFile(std::nullopt);
    child<QPushButton>(form, "btOk")->click();
    EXPECT_FALSE(QFile::exists(other));
}

TEST(ExportDialogTest, TablePageOptionsAndTheKindsControls) {
    QTemporaryDir dir;
    TableSource source = rows();
    TxDBExportForm form;
    form.Source = &source;
    form.show();
    auto kindButton = [&](const QString& caption) {
        for (QRadioButton* b : form.findChildren<QRadioButton*>())
            if (b->text() == caption) return b;
        return static_cast<QRadioButton*>(nullptr);
    };
    ASSERT_NE(kindButton("Export to MS Excel"), nullptr);
    kindButton("Export to MS Excel")->click();
    picture(form, "export-dialog-table.png");
    EXPECT_TRUE(child<QCheckBox>(form, "chFreezePanes2")->isVisible());
    kindButton("Export to table format SLK")->click();
    // A SYLK file has no sheets or frozen panes.
    EXPECT_FALSE(child<QCheckBox>(form, "chFreezePanes2")->isVisible());
    EXPECT_FALSE(child<QCheckBox>(form, "chAddSheet2")->isVisible());
    child<QCheckBox>(form, "chSum2")->setChecked(true);
    child<QCheckBox>(form, "chFName2")->setChecked(false);
    EXPECT_FALSE(child<QCheckBox>(form, "chFRealName2")->isEnabled());
    child<QComboBox>(form, "cbAction_nostore")->setCurrentIndex(0);
    // "Selected rows only" is hidden without a selection, so its state counts for nothing.
    child<QCheckBox>(form, "chSelRecOnly")->setChecked(true);
    const ExportChoices c = form.choices();
    EXPECT_EQ(c.kind, ExportKind::Sylk);
    EXPECT_TRUE(c.sumRow);
    EXPECT_FALSE(c.tableColumnNames);
    EXPECT_FALSE(c.selectedRowsOnly);
    EXPECT_EQ(c.actionAfter, aaNone);

    kit::ScriptedDialogService dialogs;
    kit::ScopedDialogService use(dialogs);
    const QString out = dir.filePath("rows.slk");
    dialogs.answerFile(out);
    child<QPushButton>(form, "btOk")->click();
    const QByteArray sylk = testing_support::qtFileBytes(out);
    EXPECT_TRUE(sylk.startsWith("ID;P"));
    EXPECT_TRUE(sylk.contains("C;X2;ESUM(R1C:R2C)"));
    EXPECT_EQ(dialogs.asked().front().file.filter,
              "Symbolic connection file (*.slk)|*.slk|All files (*.*)|*.*");
}

TEST(ExportDialogTest, AFailedExportIsReportedAndTheDialogStays) {
    TableSource source = rows();
    TxDBExportForm form;
    form.Source = &source;
    form.show();
    child<QComboBox>(form, "cbAction_nostore")->setCurrentIndex(0);
    kit::ScriptedDialogService dialogs;
    kit::ScopedDialogService use(dialogs);
    dialogs.answerFile("/nonexistent-folder/for/sure/rows.txt");
    dialogs.answerMessage(mrOk);
    EXPECT_FALSE(form.runExport());
    const QStringList transcript = dialogs.transcript();
    ASSERT_FALSE(transcript.isEmpty());
    EXPECT_TRUE(transcript.last().contains("Error: Cannot export data.")) << transcript.join("\n").toStdString();
    EXPECT_TRUE(transcript.last().contains("Error description:"));
}

}  // namespace
