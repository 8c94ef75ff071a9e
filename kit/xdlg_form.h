// TxDlgForm: the small form every message and input dialog of the kit is
// built on at run time, and the two builders that fill it. A built form can
// be shown modally (showModal) or, in tests, shown and driven by events; its
// result is the modal result of the button that ended it.
#pragma once

#include <QDialog>
#include <QFont>
#include <memory>
#include <vector>

#include "kit/xdlg_service.h"

class QComboBox;
class QLineEdit;
class QPushButton;

class TxDlgForm : public QDialog {
    Q_OBJECT
public:
    explicit TxDlgForm(QWidget* owner);

    // Adds the set's buttons (captions, images, results, default button) and
    // takes over its Escape and close-box behaviour.
    void addButtons(const kit::ButtonSetSpec& spec);
    const std::vector<QPushButton*>& buttons() const { return buttons_; }
    const kit::ButtonSetSpec& buttonSpec() const { return spec_; }

    int helpContext() const { return helpContext_; }
    void setHelpContext(int context) { helpContext_ = context; }

    // The labels in the order of their items.
    const std::vector<QWidget*>& labels() const { return labels_; }
    void addLabel(QWidget* label) { labels_.push_back(label); }

    // The input box's editor: an edit box or a combo box (the other is null).
    QLineEdit* inputEdit() const { return inputEdit_; }
    QComboBox* inputCombo() const { return inputCombo_; }
    void setInputEditor(QLineEdit* edit, QComboBox* combo);
    QString inputText() const;

    // Runs the modal loop with the normal mouse cursor and returns the result.
    int showModal();

    // The owner the kit's dialogs take: the active window when it is an
    // ordinary window, otherwise none (the application).
    static QWidget* defaultOwner();

public slots:
    // Closing without a button: Cancel where the window has a close box.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    kit::ButtonSetSpec spec_;
    std::vector<QPushButton*> buttons_;
    std::vector<QWidget*> labels_;
    QLineEdit* inputEdit_ = nullptr;
    QComboBox* inputCombo_ = nullptr;
    int helpContext_ = 0;
};

namespace kit {

// The font of every dialog: the configured family and size (Tahoma 8 pt,
// 11 pixels at 96 dpi), the desktop's sans-serif when the family is missing.
QFont dialogFont();

// The 48 x 48 picture of a message kind (none for a plain message) and the
// 24 x 24 button images.
QPixmap msgKindPicture(MsgKind kind);
QIcon dlgButtonIcon(DlgButtonImage image);

// Builds the message dialog of a request, laid out but not shown.
std::unique_ptr<TxDlgForm> buildMessageForm(const MessageRequest& request, QWidget* owner);
// Builds the input box of a request, laid out but not shown.
std::unique_ptr<TxDlgForm> buildInputForm(const InputRequest& request, QWidget* owner);

}  // namespace kit
