// The progress window: one window for the whole program that stays on
// screen while the caller works, shows a text, optionally a percentage bar
// and an "Abort" link. While it is shown it is application-modal, so the
// events it processes on each update reach only the window itself (its
// "Abort" link), never another command of the program.
#pragma once

#include <QWidget>
#include <functional>

#include "kit/xdlg_service.h"

class QFrame;
class QProgressBar;
class TxURLLabel;

class TxProgressForm : public QWidget {
    Q_OBJECT
public:
    TxProgressForm();

    // Shows the request's text, bar and link; processes pending events.
    void update(const kit::ProgressRequest& request);

    QWidget* textLabel() const { return label_; }
    QProgressBar* bar() const { return bar_; }
    TxURLLabel* abortLink() const { return abortLink_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutChildren();

    QFrame* panel_;
    QWidget* label_;
    QProgressBar* bar_;
    TxURLLabel* abortLink_;
    std::function<void()> onAbort_;
};

namespace kit {

// The progress window as the default dialog service runs it. An empty text
// restores the cursor and destroys the window; any other text creates it on
// first use and updates it.
void runProgress(const ProgressRequest& request);
// The window while it exists, else null.
TxProgressForm* progressForm();

}  // namespace kit
