#include "kit/xdlg_progress.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QProgressBar>
#include <QScreen>
#include <memory>

#include "kit/xHTMLLabel.h"
#include "kit/xdlg_form.h"
#include "kit/xdlg_label.h"

namespace {

constexpr int kMargin = 8;
constexpr int kBarHeight = 16;

struct ProgressState {
    std::unique_ptr<TxProgressForm> form;
    bool cursorOverridden = false;
};

ProgressState& state() {
    static ProgressState progress;
    return progress;
}

void setProgressCursor(Qt::CursorShape shape) {
    ProgressState& progress = state();
    if (progress.cursorOverridden) {
        QGuiApplication::changeOverrideCursor(shape);
    } else {
        QGuiApplication::setOverrideCursor(shape);
        progress.cursorOverridden = true;
    }
}

void restoreProgressCursor() {
    ProgressState& progress = state();
    if (progress.cursorOverridden) QGuiApplication::restoreOverrideCursor();
    progress.cursorOverridden = false;
}

void destroyProgress() {
    restoreProgressCursor();
    if (!state().form) return;
    // The request to go away may come from the window's own "Abort" handler,
    // so the window is hidden now and deleted once control is back in the
    // event loop.
    state().form->hide();
    state().form.release()->deleteLater();
}

// The window must go before the application does; it has no parent that
// would take it along.
void destroyProgressAtExit() {
    restoreProgressCursor();
    state().form.reset();
}

QRect centredOver(const QRect& area, const QSize& size) {
    return QRect(area.center() - QPoint(size.width() / 2, size.height() / 2), size);
}

QRect screenAreaOf(const QWidget* control) {
    if (control->isWindow()) return control->frameGeometry();
    return QRect(control->mapToGlobal(QPoint(0, 0)), control->size());
}

}  // namespace

TxProgressForm::TxProgressForm()
    : QWidget(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("xProgressForm");
    setWindowTitle(QStringLiteral("Information"));
    setFont(kit::dialogFont());
    setWindowModality(Qt::ApplicationModal);
    resize(300, 120);

    panel_ = new QFrame(this);
    panel_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel_->setLineWidth(2);
    label_ = kit::createCentredLabel(panel_, font());
    bar_ = new QProgressBar(panel_);
    bar_->setRange(0, 100);
    bar_->setTextVisible(false);
    bar_->hide();
    abortLink_ = new TxURLLabel(QStringLiteral("Abort"), panel_);
    abortLink_->setObjectName("lblAbort");
    abortLink_->adjustSize();
    abortLink_->hide();
    connect(abortLink_, &TxURLLabel::clicked, this, [this] {
        if (onAbort_) onAbort_();
    });

    if (QWidget* owner = TxDlgForm::defaultOwner())
        setGeometry(centredOver(owner->frameGeometry(), size()));
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(centredOver(screen->availableGeometry(), size()));
}

void TxProgressForm::update(const kit::ProgressRequest& request) {
    if (request.control) setGeometry(centredOver(screenAreaOf(request.control), size()));
    kit::setDlgLabelCaption(label_, request.text);
    if (request.percent >= 0) bar_->setValue(std::min(request.percent, 100));
    onAbort_ = request.onAbort;
    bar_->setVisible(request.percent >= 0);
    abortLink_->setVisible(bool(request.onAbort));
    layoutChildren();
    show();
    setProgressCursor(request.onAbort ? Qt::ArrowCursor : Qt::WaitCursor);
    repaint();
    // Lets a click on "Abort" through; other windows are blocked while the
    // window is application-modal.
    QCoreApplication::processEvents();
}

void TxProgressForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutChildren();
}

void TxProgressForm::layoutChildren() {
    panel_->setGeometry(rect());
    const QRect inner = panel_->contentsRect();
    const int barTop = inner.bottom() - kMargin - kBarHeight + 1;
    int barWidth = inner.width() - 2 * kMargin;
    if (abortLink_->isVisibleTo(this)) barWidth -= abortLink_->width() + 16;
    bar_->setGeometry(inner.left() + kMargin, barTop, barWidth, kBarHeight);
    abortLink_->move(bar_->geometry().right() + 1 + kMargin,
                     barTop + (kBarHeight - abortLink_->height()) / 2);
    label_->setGeometry(inner.left() + kMargin, inner.top() + kMargin, inner.width() - 2 * kMargin,
                        barTop - inner.top() - 2 * kMargin);
}

namespace kit {

void runProgress(const ProgressRequest& request) {
    ProgressState& progress = state();
    if (request.text.isEmpty()) {
        destroyProgress();
        return;
    }
    if (!progress.form) {
        static bool exitHookInstalled = false;
        if (!exitHookInstalled) {
            qAddPostRoutine(destroyProgressAtExit);
            exitHookInstalled = true;
        }
        progress.form = std::make_unique<TxProgressForm>();
    }
    progress.form->update(request);
}

TxProgressForm* progressForm() {
    return state().form.get();
}

}  // namespace kit
