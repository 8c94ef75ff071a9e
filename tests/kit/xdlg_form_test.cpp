// The message and input windows as built, shown offscreen: buttons, keys,
// the close box, labels and sizes; the routines through a scripted dialog
// service; the progress window's lifetime.
#include "kit/xdlg_form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <stdexcept>

#include "kit/xHTMLLabel.h"
#include "kit/xdlg.h"
#include "kit/xdlg_progress.h"
#include "kit/xdlg_scripted.h"
#include "kit/xdlg_test_print.h"

namespace kit {
namespace {

MessageRequest message(MsgKind kind, ButtonSet set, MsgItems items, bool wordWrap = true) {
    MessageRequest request;
    request.kind = kind;
    request.buttons = set;
    request.items = std::move(items);
    request.wordWrap = wordWrap;
    return request;
}

void pressEscape(QWidget* form) {
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(form, &escape);
}

TEST(DlgMessageForm, EscapeAndCloseBoxPerButtonSet) {
    struct Case {
        ButtonSet set;
        std::optional<int> onEscape;  // nullopt: the window stays open
        std::optional<int> onClose;
    };
    const Case cases[] = {
        {ButtonSet::Ok, mrOk, mrCancel},
        {ButtonSet::OkCancel, mrCancel, mrCancel},
        {ButtonSet::YesNo, std::nullopt, std::nullopt},
        {ButtonSet::YesNoCancel, mrCancel, mrCancel},
        {ButtonSet::TwoCustom, std::nullopt, std::nullopt},
        {ButtonSet::ThreeCustom, mrCancel, mrCancel},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.set));
        {
            auto form = buildMessageForm(message(MsgKind::Question, c.set, {"Go?"}), nullptr);
            form->setResult(mrNone);
            form->show();
            pressEscape(form.get());
            EXPECT_EQ(form->isVisible(), !c.onEscape.has_value());
            if (c.onEscape) {
                EXPECT_EQ(form->result(), *c.onEscape);
            }
        }
        {
            auto form = buildMessageForm(message(MsgKind::Question, c.set, {"Go?"}), nullptr);
            form->setResult(mrNone);
            form->show();
            form->close();
            EXPECT_EQ(form->isVisible(), !c.onClose.has_value());
            if (c.onClose) {
                EXPECT_EQ(form->result(), *c.onClose);
            }
            // Without a close box the title bar offers none either.
            EXPECT_EQ(bool(form->windowFlags() & Qt::WindowCloseButtonHint), c.onClose.has_value());
        }
    }
}

TEST(DlgMessageForm, EachButtonEndsWithItsResult) {
    for (int index = 0; index < 3; ++index) {
        auto form =
            buildMessageForm(message(MsgKind::Question, ButtonSet::YesNoCancel, {"?"}), nullptr);
        form->show();
        form->buttons()[size_t(index)]->click();
        EXPECT_FALSE(form->isVisible());
        EXPECT_EQ(form->result(), (std::vector<int>{mrYes, mrNo, mrCancel})[size_t(index)]);
    }
}

TEST(DlgMessageForm, DefaultButtonOnlyWhereTheSetHasOne) {
    auto okCancel = buildMessageForm(message(MsgKind::Plain, ButtonSet::OkCancel, {"x"}), nullptr);
    EXPECT_TRUE(okCancel->buttons()[0]->isDefault());
    EXPECT_FALSE(okCancel->buttons()[1]->isDefault());
    auto yesNo = buildMessageForm(message(MsgKind::Plain, ButtonSet::YesNo, {"x"}), nullptr);
    for (QPushButton* button : yesNo->buttons()) EXPECT_FALSE(button->isDefault());
}

TEST(DlgMessageForm, GeometryOfAShortMessage) {
    auto form = buildMessageForm(message(MsgKind::Information, ButtonSet::Ok, {"Done."}), nullptr);
    EXPECT_EQ(form->width(), 400);
    EXPECT_EQ(form->windowTitle(), "Information");
    ASSERT_EQ(form->labels().size(), 1u);
    // The label sits right of the picture, 8 pixels lower than it.
    EXPECT_EQ(form->labels()[0]->geometry().topLeft(), QPoint(68, 18));
    EXPECT_EQ(form->labels()[0]->width(), 400 - 68 - 10);
    // Buttons start at least at y = 60; the form ends 10 below them.
    const QRect button = form->buttons()[0]->geometry();
    EXPECT_EQ(button, QRect(150, 60, 100, 38));
    EXPECT_EQ(form->height(), 60 + 38 + 10);
}

TEST(DlgMessageForm, LabelsStackAndTakeTheirCodes) {
    auto form = buildMessageForm(
        message(MsgKind::Plain, ButtonSet::Ok, {"^B^Ihello", "x <B>bold</B> y", "^Cmy caption"}),
        nullptr);
    EXPECT_EQ(form->windowTitle(), "my caption");
    ASSERT_EQ(form->labels().size(), 2u);
    auto* first = qobject_cast<TxHTMLLabel*>(form->labels()[0]);
    auto* second = qobject_cast<TxHTMLLabel*>(form->labels()[1]);
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(first->font().bold());
    EXPECT_TRUE(first->font().italic());
    EXPECT_EQ(first->caption(), "hello");
    EXPECT_EQ(second->plainText(), "x bold y");  // markup is the label's
    EXPECT_EQ(second->y(), first->geometry().bottom() + 1 + 10);
    // Without a picture, texts start at the left margin.
    EXPECT_EQ(first->x(), 10);
}

TEST(DlgMessageForm, LongSingleLineWithoutWordWrapWidensUpToTheDesktop) {
    const int desktop = QGuiApplication::primaryScreen()->availableGeometry().width();
    auto wide = buildMessageForm(message(MsgKind::Plain, ButtonSet::Ok, {QString(80, u'w')}, false),
                                 nullptr);
    EXPECT_GT(wide->width(), 400);
    EXPECT_EQ(wide->width(), wide->labels()[0]->geometry().right() + 1 + 10);

    auto huge = buildMessageForm(
        message(MsgKind::Plain, ButtonSet::Ok, {QString(3000, u'w')}, false), nullptr);
    EXPECT_LE(huge->width(), desktop);
    EXPECT_EQ(huge->labels()[0]->width(), desktop - 10 - 20);
}

TEST(DlgMessageForm, CustomButtonsShareTheWidth) {
    auto form = buildMessageForm(
        message(MsgKind::Question, ButtonSet::TwoCustom, {"@1Overwrite", "@2Append", "@3x", "?"}),
        nullptr);
    ASSERT_EQ(form->buttons().size(), 2u);
    EXPECT_EQ(form->buttons()[0]->text(), "Overwrite");
    EXPECT_EQ(form->buttons()[1]->text(), "Append");
    EXPECT_EQ(form->buttons()[0]->width(), 175);
}

TEST(DlgInputForm, PasswordIsMaskedAndSelected) {
    InputRequest request;
    request.caption = "Input";
    request.prompt = "Enter password to open database:";
    request.value = "secret";
    request.passwordChar = u'*';
    request.width = 240;
    auto form = buildInputForm(request, nullptr);
    ASSERT_NE(form->inputEdit(), nullptr);
    EXPECT_EQ(form->inputEdit()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(form->inputEdit()->selectedText(), "secret");
    EXPECT_EQ(form->width(), 240);
    EXPECT_EQ(form->buttons()[0]->geometry(), QRect(10, form->height() - 48, 100, 38));
    EXPECT_EQ(form->buttons()[1]->x(), 130);
    // Typing replaces the selected previous value.
    form->show();
    form->inputEdit()->insert("new");
    EXPECT_EQ(form->inputText(), "new");
    pressEscape(form.get());
    EXPECT_EQ(form->result(), mrCancel);
}

TEST(DlgInputForm, ListOnlySelectsTheValueOtherwiseEditable) {
    InputRequest request;
    request.prompt = "Pick";
    request.list = QStringList{"alpha", "beta", "gamma"};
    request.value = "beta";
    request.listOnly = true;
    auto listOnly = buildInputForm(request, nullptr);
    ASSERT_NE(listOnly->inputCombo(), nullptr);
    EXPECT_FALSE(listOnly->inputCombo()->isEditable());
    EXPECT_EQ(listOnly->inputText(), "beta");
    EXPECT_EQ(listOnly->inputCombo()->maxVisibleItems(), 12);

    request.listOnly = false;
    request.value = "delta";
    auto editable = buildInputForm(request, nullptr);
    EXPECT_TRUE(editable->inputCombo()->isEditable());
    EXPECT_EQ(editable->inputText(), "delta");
}

TEST(DlgRoutines, WrappersAskWhatTheyShould) {
    ScriptedDialogService dialogs;
    ScopedDialogService use(dialogs);
    for (int answer : {mrOk, mrYes, mrCancel, mrOk, mrOk, mrNo, mrOk, mrOk})
        dialogs.answerMessage(answer);
    EXPECT_EQ(MsgInfo("i"), mrOk);
    EXPECT_EQ(MsgQuestion("q"), mrYes);
    EXPECT_EQ(MsgQuestionCancel("qc"), mrCancel);
    MsgWarning("w");
    MsgError("e");
    EXPECT_EQ(MsgQuestionEx("H", "t"), mrNo);
    MsgWarningEx("H", "t");
    MsgErrorEx("H", "t");
    EXPECT_EQ(
        dialogs.transcript(),
        (QStringList{"Information [&Ok]: i", "Question [&Yes|&No]: q",
                     "Question [&Yes|&No|&Cancel]: qc", "Warning [&Ok]: w", "Error [&Ok]: e",
                     "Question [&Yes|&No]: H\nt", "Warning [&Ok]: H\nt", "Error [&Ok]: H\nt"}));
    // The header is the bold first line.
    EXPECT_EQ(std::get<QString>(dialogs.asked()[5].message.items[0]), "^BH");
}

TEST(DlgRoutines, ScriptedServiceRefusesImpossibleAnswersAndSurprises) {
    ScriptedDialogService dialogs;
    ScopedDialogService use(dialogs);
    dialogs.answerMessage(mrCancel);  // a Yes/No question has no Cancel
    EXPECT_THROW(MsgQuestion("q"), std::logic_error);
    EXPECT_THROW(MsgInfo("nobody answers"), std::logic_error);
}

TEST(DlgRoutines, InputIntegerAsksAgainAfterABadNumber) {
    ScriptedDialogService dialogs;
    ScopedDialogService use(dialogs);
    dialogs.answerInput(QString("12a"));
    dialogs.answerMessage(mrOk);
    dialogs.answerInput(QString(" 15"));
    int value = 7;
    EXPECT_TRUE(InputInteger("Rows", "Number of rows:", value));
    EXPECT_EQ(value, 15);
    EXPECT_EQ(dialogs.transcript(),
              (QStringList{"Rows input '7': Number of rows:",
                           "Error [&Ok]: Error in input parameters.\nBad number format.",
                           "Rows input '7': Number of rows:"}));
    EXPECT_EQ(dialogs.asked()[0].input.width, 240);

    dialogs.answerInput(std::nullopt);
    EXPECT_FALSE(InputInteger("Rows", "Number of rows:", value));
    EXPECT_EQ(value, 15);
}

TEST(DlgRoutines, InputPasswordAndText) {
    ScriptedDialogService dialogs;
    ScopedDialogService use(dialogs);
    dialogs.answerInput(QString("pw;2"));
    dialogs.answerInput(std::nullopt);
    QString password = "old";
    EXPECT_TRUE(InputPassword("Enter password to open database:", password));
    EXPECT_EQ(password, "pw;2");
    QString name = "keep";
    EXPECT_FALSE(InputText("Rename", "New name:", name));
    EXPECT_EQ(name, "keep");
    EXPECT_EQ(dialogs.transcript(),
              (QStringList{"Input input 'old' masked: Enter password to open database:",
                           "Rename input 'keep': New name:"}));
    EXPECT_EQ(dialogs.asked()[0].input.width, 240);
    EXPECT_EQ(dialogs.asked()[1].input.width, 350);
}

TEST(DlgRoutines, ErrorReportBeepsEscapesAndFallsSilentWhenTerminating) {
    ScriptedDialogService dialogs;
    ScopedDialogService use(dialogs);
    dialogs.answerMessage(mrOk);
    dialogs.answerMessage(mrOk);
    ShowErrorReport("Cannot open", std::runtime_error("Table <x> & more"));
    ShowErrorReport("", "plain");
    EXPECT_EQ(dialogs.beeps(), 2);
    EXPECT_EQ(
        dialogs.transcript(),
        (QStringList{"Error [&Ok]: Cannot open\nError description:\nTable &lt;x&gt; &amp; more",
                     "Error [&Ok]: Error description:\nplain"}));

    dialogs.answerMessage(mrOk);
    ShowErrorReport("Fatal", "stop", true);
    EXPECT_TRUE(applicationTerminating());
    ShowErrorReport("Late", "nobody sees this");
    setApplicationTerminating(false);
    EXPECT_EQ(dialogs.asked().size(), 3u);
    EXPECT_EQ(dialogs.beeps(), 3);
}

TEST(DlgProgress, UpdatesOneWindowAndLeavesNoneBehind) {
    ShowProgress("Exporting ...", nullptr, 10);
    QPointer<TxProgressForm> form = progressForm();
    ASSERT_TRUE(form);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(form->windowTitle(), "Information");
    EXPECT_TRUE(form->bar()->isVisible());
    EXPECT_EQ(form->bar()->value(), 10);
    EXPECT_FALSE(form->abortLink()->isVisible());
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);

    int aborts = 0;
    ShowProgress("Exporting ... 50", nullptr, 50, [&] { ++aborts; });
    EXPECT_EQ(progressForm(), form.data());  // the same window, updated
    EXPECT_TRUE(form->abortLink()->isVisible());
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::ArrowCursor);
    // The bar makes room for the link on its right.
    EXPECT_LT(form->bar()->geometry().right(), form->abortLink()->x());
    emit form->abortLink()->clicked();
    EXPECT_EQ(aborts, 1);

    ShowWait("Waiting");
    EXPECT_FALSE(form->bar()->isVisible());

    ShowProgress("");
    EXPECT_EQ(progressForm(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull());
}

TEST(DlgProgress, ScriptedServiceRecordsAndAborts) {
    ScriptedDialogService dialogs;
    ScopedDialogService use(dialogs);
    bool aborted = false;
    ShowWaitAbort("Scanning", nullptr, [&] { aborted = true; });
    dialogs.clickProgressAbort();
    ShowProgress("");
    EXPECT_TRUE(aborted);
    EXPECT_EQ(dialogs.transcript(), (QStringList{"Progress -1: Scanning", "Progress closed"}));
    EXPECT_THROW(dialogs.clickProgressAbort(), std::logic_error);
}

}  // namespace
}  // namespace kit
