// The group box, combo box and numeric edit as widgets (offscreen).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QUrl>

#include "kit/xImprovedComps.h"
#include "kit/xdlg_test_print.h"

namespace {

bool sendDrop(QWidget* target, const QStringList& paths) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
    mime.setUrls(urls);
    QDropEvent drop(QPointF(12, 7), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    // Straight to the widget: the drop is what is tested, not Qt's routing.
    static_cast<QObject*>(target)->event(&drop);
    return drop.isAccepted();
}

void pressKey(QWidget* target, int key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &press);
}

TEST(GroupBoxWidget, DropsOnlyWhileEnabledAndSwitchedOn) {
    TxGroupBox box("MDB or ACCDB File (drag and drop file)");
    int drops = 0;
    QObject::connect(&box, &TxGroupBox::filesDropped, [&](TxGroupBox*) { ++drops; });
    EXPECT_FALSE(sendDrop(&box, {"/tmp/a.mdb"}));  // EnableDropFile is off by default

    box.setEnableDropFile(true);
    EXPECT_TRUE(box.acceptDrops());
    EXPECT_TRUE(sendDrop(&box, {"/tmp/one.accdb", "/tmp/two.mdb", "/tmp/three.mdb"}));
    EXPECT_EQ(drops, 1);
    EXPECT_EQ(box.GetDropFilesCount(), 3);
    EXPECT_EQ(box.GetDropFileNames(),
              (QStringList{"/tmp/one.accdb", "/tmp/two.mdb", "/tmp/three.mdb"}));
    EXPECT_EQ(box.dropPoint(), QPoint(12, 7));

    box.setEnabled(false);
    EXPECT_FALSE(box.acceptDrops());
    EXPECT_FALSE(sendDrop(&box, {"/tmp/other.mdb"}));
    EXPECT_EQ(drops, 1);
    box.setEnabled(true);
    EXPECT_TRUE(box.acceptDrops());
}

TEST(GroupBoxWidget, EnablingReachesEveryPageOfATabWidget) {
    TxGroupBox box;
    auto* tabs = new QTabWidget(&box);
    auto* page1 = new QWidget;
    auto* page2 = new QWidget;
    tabs->addTab(page1, "one");
    tabs->addTab(page2, "two");
    auto* edit = new QLineEdit(page2);
    edit->setEnabled(false);  // disabled on its own before

    box.setEnabled(false);
    for (QWidget* w : std::initializer_list<QWidget*>{tabs, page1, page2, edit})
        EXPECT_FALSE(w->isEnabledTo(&box));
    box.setEnabled(true);
    // Every child takes the box's state, also the one disabled before.
    EXPECT_TRUE(edit->isEnabled());

    box.setAutoEnableChildren(false);
    edit->setEnabled(false);
    box.setEnabled(false);
    box.setEnabled(true);
    EXPECT_FALSE(edit->isEnabled());
}

TEST(GroupBoxWidget, PositionTextsAndGridOnResize) {
    TxGroupBox band("Files");
    band.setFrameType(kit::FrameType::ftNone);
    band.setCaptionHeight(16);
    auto* combo = new TxComboBoxEx(&band);
    combo->setObjectName("cbFile");
    combo->setGeometry(10, 20, 100, 22);
    auto* open = new QPushButton("Open", &band);
    open->setObjectName("btDBOpen");
    open->setGeometry(0, 20, 80, 26);
    auto* child = new TxGroupBox("left", &band);
    TxAutoResizePos cell;
    cell.ColumnIndexFrom = cell.ColumnIndexTo = 1;
    cell.LastColumn = true;
    child->setAutoResizePos(cell);
    child->setGeometry(0, 50, 10, 40);

    TxAutoResizeChild settings;
    settings.AutoResizeActive = true;
    settings.AutoResizeDelay = 0;
    settings.ColWidthsPercent = {"100"};
    settings.ChildCompsPos = {"CBFILE=E;1;1;288;0;0", "btDBOpen=R;0;0;8;0;0", "missing=L"};
    band.setAutoResizeChild(settings);
    band.show();  // hidden widgets get their resize events only when shown
    band.resize(600, 100);
    ASSERT_EQ(band.width(), 600);

    const QRect client = band.clientArea();
    EXPECT_EQ(client, QRect(0, 16, 600, 84));
    EXPECT_EQ(combo->geometry(), QRect(10, 20, 600 - 8 - 288 - 10, 22));
    EXPECT_EQ(open->geometry(), QRect(600 - 8 - 8 - 80, 20, 80, 26));
    // The last column reaches the client's right edge less the border.
    EXPECT_EQ(child->geometry(), QRect(8, 50, 600 - 16, 40));

    band.SetAutoResizeChildComponentPos("btDBOpen", *band.GetAutoResizeChildComponentPos("*L"));
    EXPECT_EQ(open->geometry(), QRect(8, 20, 80, 26));
}

TEST(GroupBoxWidget, MinimiseAndRestore) {
    TxGroupBox box("Details");
    box.setCaptionHeight(16);
    box.resize(200, 120);
    auto* inside = new QLineEdit(&box);
    inside->setGeometry(8, 40, 100, 20);
    box.show();
    int changes = 0;
    QObject::connect(&box, &TxGroupBox::minimizeChanged, [&](TxGroupBox*) { ++changes; });

    box.setMinimized(true);
    EXPECT_EQ(box.height(), 16 + 5);
    EXPECT_EQ(box.originSize(), 120);
    EXPECT_FALSE(inside->isVisible());
    box.setMinimized(false);
    EXPECT_EQ(box.height(), 120);
    EXPECT_TRUE(inside->isVisible());
    EXPECT_EQ(changes, 2);
}

TEST(ComboWidget, HistoryKeepsTheShownText) {
    TxComboBoxEx combo;
    combo.setEditable(true);
    combo.setEditText("  /data/a.mdb ");
    combo.AddTextToItems();
    combo.AddTextToItems(" /DATA/A.MDB");
    combo.AddTextToItems("b");
    EXPECT_EQ(combo.items(), QStringList{"/data/a.mdb"});
    EXPECT_EQ(combo.currentText(), "  /data/a.mdb ");

    combo.RemoveTextFromItems("/data/nothere.mdb");
    EXPECT_EQ(combo.count(), 1);
    combo.RemoveTextFromItems();  // the box's own text, trimmed
    EXPECT_EQ(combo.count(), 0);
    EXPECT_EQ(combo.currentText(), "  /data/a.mdb ");
}

TEST(ComboWidget, SelectedTextOfAListOnlyBox) {
    TxComboBoxEx combo;
    combo.addItems({"x1", "x2"});
    combo.setCurrentIndex(-1);
    EXPECT_EQ(combo.GetSelectedText(), "");
    combo.setCurrentIndex(1);
    EXPECT_EQ(combo.GetSelectedText(), "x2");
}

TEST(ComboWidget, DelayedReloadCompletesTheTypedText) {
    TxComboBoxEx combo;
    combo.setEditable(true);
    QStringList asked;
    combo.setOnUpdateLoadItems([&](TxComboBoxEx* sender, const QString& text, QString& newText) {
        asked << text;
        sender->clear();
        sender->addItems({"Orders", "OrderLines"});
        newText = "Orders";
    });
    combo.lineEdit()->setText("Ord");
    EXPECT_TRUE(combo.updateTimerActive());
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(asked, QStringList{"Ord"});
    EXPECT_EQ(combo.currentText(), "Orders");
    EXPECT_EQ(combo.lineEdit()->selectedText(), "ers");
    EXPECT_EQ(combo.lineEdit()->cursorPosition(), 3);
    EXPECT_FALSE(combo.updateTimerActive());  // replacing the text did not restart it
}

TEST(EditNumWidget, KeysStepAndNormalise) {
    TxEditNum edit;
    EXPECT_EQ(edit.text(), "0");
    EXPECT_EQ(edit.width(), 48);
    pressKey(&edit, Qt::Key_Up);
    EXPECT_EQ(edit.text(), "0");  // step 0 changes nothing

    edit.setMinValue(1);
    edit.setMaxValue(5);
    edit.setStepValue(1);
    edit.setStepOnly(true);
    edit.setText("");
    for (QString typed : {"7", "a", "."}) pressKey(&edit, 0, typed);
    EXPECT_EQ(edit.text(), "7");
    pressKey(&edit, Qt::Key_Return);
    EXPECT_EQ(edit.text(), "5");
    EXPECT_EQ(edit.selectedText(), "5");
    pressKey(&edit, Qt::Key_Down);
    EXPECT_EQ(edit.AsInteger(), 4);
    pressKey(&edit, Qt::Key_Up);
    pressKey(&edit, Qt::Key_Up);
    EXPECT_EQ(edit.value(), 5);

    edit.setText("12a");
    EXPECT_EQ(edit.value(), 0);
    EXPECT_FALSE(edit.normalize());
    EXPECT_EQ(edit.text(), "12a");
}

class EditNumFocus : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(300, 100);
        edit = new TxEditNum(&window);
        other = new QLineEdit(&window);
        cancel = new QPushButton("&Cancel", &window);
        kit::markCancelControl(cancel);
        window.show();
        QApplication::setActiveWindow(&window);
        edit->setFocus();
        settle();
        ASSERT_TRUE(edit->hasFocus());
        edit->setText("12a");
    }
    static void settle() {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }
    QWidget window;
    TxEditNum* edit = nullptr;
    QLineEdit* other = nullptr;
    QPushButton* cancel = nullptr;
};

TEST_F(EditNumFocus, TakesTheFocusBackWithinItsWindow) {
    other->setFocus(Qt::TabFocusReason);
    settle();
    EXPECT_TRUE(edit->hasFocus());
    EXPECT_EQ(edit->text(), "12a");
}

TEST_F(EditNumFocus, LetsCancelHaveTheFocus) {
    cancel->setFocus(Qt::MouseFocusReason);
    settle();
    EXPECT_TRUE(cancel->hasFocus());
}

TEST_F(EditNumFocus, LetsTheWindowClose) {
    other->setFocus(Qt::TabFocusReason);
    window.hide();
    settle();
    EXPECT_FALSE(edit->hasFocus());
}

TEST_F(EditNumFocus, ValidTextIsNormalisedOnLeaving) {
    edit->setText("0012");
    other->setFocus(Qt::TabFocusReason);
    settle();
    EXPECT_TRUE(other->hasFocus());
    EXPECT_EQ(edit->text(), "12");
}

}  // namespace
