#include "kit/xdlg_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include "config/KelmCompGlobalCfg.h"
#include "kit/xImprovedComps_editnum.h"
#include "kit/xdlg_label.h"

namespace {

constexpr int kPictureSize = 48;
constexpr int kButtonImageSize = 24;
constexpr int kStandardButtonWidth = 100;

int desktopWidth(const QWidget* widget) {
    const QScreen* screen = widget ? widget->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry().width() : 1024;
}

}  // namespace

TxDlgForm::TxDlgForm(QWidget* owner) : QDialog(owner) {
    setObjectName("xDlgForm");
    setFont(kit::dialogFont());
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    // A dialog border: fixed size, no minimise or maximise boxes.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    resize(295, 89);
}

void TxDlgForm::addButtons(const kit::ButtonSetSpec& spec) {
    spec_ = spec;
    for (size_t i = 0; i < spec.buttons.size(); ++i) {
        const kit::DlgButtonSpec& button = spec.buttons[i];
        auto* widget = new QPushButton(button.caption, this);
        widget->setObjectName(QStringLiteral("btDlg%1").arg(i + 1));
        if (button.image != kit::DlgButtonImage::None) {
            widget->setIcon(kit::dlgButtonIcon(button.image));
            widget->setIconSize(QSize(kButtonImageSize, kButtonImageSize));
        }
        widget->setAutoDefault(false);
        widget->setDefault(int(i) == spec.defaultIndex);
        const int result = button.result;
        if (result == mrCancel) kit::markCancelControl(widget);
        connect(widget, &QPushButton::clicked, this, [this, result] { done(result); });
        buttons_.push_back(widget);
    }
    if (!spec.hasCloseBox)
        setWindowFlags((windowFlags() & ~Qt::WindowCloseButtonHint) | Qt::CustomizeWindowHint);
}

void TxDlgForm::setInputEditor(QLineEdit* edit, QComboBox* combo) {
    inputEdit_ = edit;
    inputCombo_ = combo;
}

QString TxDlgForm::inputText() const {
    if (inputEdit_) return inputEdit_->text();
    if (inputCombo_) return inputCombo_->currentText();
    return {};
}

int TxDlgForm::showModal() {
    QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    const int result = exec();
    QGuiApplication::restoreOverrideCursor();
    return result;
}

QWidget* TxDlgForm::defaultOwner() {
    QWidget* active = QApplication::activeWindow();
    if (!active) return nullptr;
    const Qt::WindowType type = active->windowType();
    if (type == Qt::Window || type == Qt::Dialog) return active;
    return nullptr;
}

void TxDlgForm::reject() {
    if (const auto result = kit::closeBoxResult(spec_)) done(*result);
}

void TxDlgForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        // Escape presses the cancel button; without one it does nothing.
        const int cancel = spec_.cancelIndex;
        if (cancel >= 0 && cancel < int(buttons_.size())) buttons_[size_t(cancel)]->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TxDlgForm::closeEvent(QCloseEvent* event) {
    // A window without a close box ends only by its buttons; otherwise the
    // base class ends it through reject().
    if (!kit::closeBoxResult(spec_)) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

namespace kit {

QFont dialogFont() {
    const TxDBToolCfg& config = kelmCompConfig().xDBToolCfg;
    QString family = config.xDlg_DefaultFont;
    if (!QFontDatabase::families().contains(family, Qt::CaseInsensitive))
        family = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    // Point size at 96 dpi as a pixel height, so that the dialogs' pixel
    // layout and their text keep the same proportions everywhere.
    font.setPixelSize((config.xDlg_DefaultSize * 96 + 36) / 72);
    return font;
}

QPixmap msgKindPicture(MsgKind kind) {
    QStyle::StandardPixmap pixmap;
    switch (kind) {
        case MsgKind::Information:
            pixmap = QStyle::SP_MessageBoxInformation;
            break;
        case MsgKind::Question:
            pixmap = QStyle::SP_MessageBoxQuestion;
            break;
        case MsgKind::Warning:
            pixmap = QStyle::SP_MessageBoxWarning;
            break;
        case MsgKind::Error:
            pixmap = QStyle::SP_MessageBoxCritical;
            break;
        default:
            return {};
    }
    return QApplication::style()->standardIcon(pixmap).pixmap(kPictureSize, kPictureSize);
}

QIcon dlgButtonIcon(DlgButtonImage image) {
    switch (image) {
        case DlgButtonImage::OkYes:
            return QApplication::style()->standardIcon(QStyle::SP_DialogOkButton);
        case DlgButtonImage::Cancel:
            return QApplication::style()->standardIcon(QStyle::SP_DialogCancelButton);
        case DlgButtonImage::No:
            return QApplication::style()->standardIcon(QStyle::SP_DialogNoButton);
        case DlgButtonImage::None:
            break;
    }
    return {};
}

std::unique_ptr<TxDlgForm> buildMessageForm(const MessageRequest& request, QWidget* owner) {
    const MsgPlan plan = planMessage(request.kind, request.buttons, request.items);
    auto form = std::make_unique<TxDlgForm>(owner);
    form->setWindowTitle(plan.caption);
    form->setHelpContext(plan.helpContext);

    int clientWidth = kMsgClientWidth;
    int x = 10;
    int y = 10;
    if (request.kind != MsgKind::Plain) {
        auto* picture = new QLabel(form.get());
        picture->setObjectName("imgKind");
        picture->setPixmap(msgKindPicture(request.kind));
        picture->setGeometry(x, y, kPictureSize, kPictureSize);
        x += kPictureSize + 10;
        y += 8;
    }
    const int desktop = desktopWidth(owner);
    for (const MsgLabelSpec& spec : plan.labels) {
        QWidget* label = createDlgLabel(form.get(), spec, form->font(), request.wordWrap);
        form->addLabel(label);
        QSize size = placeDlgLabel(label, x, y, clientWidth - x - 10, request.wordWrap);
        if (size.width() > desktop) {
            // Never wider than the desktop: the label wraps within it instead.
            size = placeDlgLabel(label, x, y, desktop - x - 20, true);
        }
        clientWidth = std::max(clientWidth, x + size.width() + 10);
        y += size.height() + 10;
    }
    y = std::max(y + 10, 60);

    form->addButtons(plan.buttons);
    const int count = int(form->buttons().size());
    const int width = msgButtonWidth(request.buttons, clientWidth, count);
    for (int j = 1; j <= count; ++j) {
        form->buttons()[size_t(j - 1)]->setGeometry(msgButtonLeft(clientWidth, width, count, j), y,
                                                    width, kDlgButtonHeight);
    }
    y += kDlgButtonHeight + 10;
    form->setFixedSize(clientWidth, y);
    return form;
}

std::unique_ptr<TxDlgForm> buildInputForm(const InputRequest& request, QWidget* owner) {
    auto form = std::make_unique<TxDlgForm>(owner);
    form->setWindowTitle(request.caption);
    int clientWidth = request.width;

    MsgLabelSpec prompt;
    prompt.text = request.prompt;
    QWidget* label = createDlgLabel(form.get(), prompt, form->font(), true);
    form->addLabel(label);
    const QSize size = placeDlgLabel(label, 10, 10, clientWidth - 20, true);
    clientWidth = std::max(clientWidth, size.width() + 20);
    int y = size.height() + 20;

    QWidget* editor = nullptr;
    if (request.list) {
        auto* combo = new QComboBox(form.get());
        combo->setObjectName("cbInput");
        combo->setMaxVisibleItems(12);
        combo->addItems(*request.list);
        combo->setEditable(!request.listOnly);
        if (request.listOnly) {
            combo->setCurrentIndex(int(request.list->indexOf(request.value)));
        } else {
            combo->setCurrentText(request.value);
            combo->lineEdit()->selectAll();
        }
        form->setInputEditor(nullptr, combo);
        editor = combo;
    } else {
        auto* edit = new QLineEdit(form.get());
        edit->setObjectName("eInput");
        if (!request.passwordChar.isNull()) {
            edit->setEchoMode(QLineEdit::Password);
            edit->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: %1; }")
                                    .arg(request.passwordChar.unicode()));
        }
        edit->setText(request.value);
        edit->selectAll();
        form->setInputEditor(edit, nullptr);
        editor = edit;
    }
    editor->setGeometry(10, y, clientWidth - 20, editor->sizeHint().height());
    y += editor->height() + 10;

    ButtonSetSpec buttons = buttonSetSpec(ButtonSet::OkCancel);
    form->addButtons(buttons);
    form->buttons()[0]->setGeometry(10, y, kStandardButtonWidth, kDlgButtonHeight);
    form->buttons()[1]->setGeometry(10 + kStandardButtonWidth + 20, y, kStandardButtonWidth,
                                    kDlgButtonHeight);
    form->setFixedSize(clientWidth, y + kDlgButtonHeight + 10);
    editor->setFocus();
    return form;
}

}  // namespace kit
