// TMain's state between runs: bounds and window state ("Main_XY"), the active
// tab ("Main.pc"), the file box with its history ("Main.cbFile"), the
// structure tab's "Load data automatically" ("Main.chLoadData") and the fonts
// of the SQL memos ("Main.mView", "Main.mDetail").
#include <QCheckBox>
#include <QGuiApplication>
#include <QScreen>
#include <QTabWidget>
#include <algorithm>

#include "app/f_main.h"
#include "app/structure_tree_widget.h"
#include "app/view_editor.h"
#include "kit/xImprovedComps.h"
#include "schema/dlg_gensql.h"
#include "schema/f_createdbdlg.h"
#include "schema/f_managedbdlg.h"
#include "settings/settings_file.h"
#include "settings/settings_font_qfont.h"

namespace {

const QString kBounds = QStringLiteral("Main_XY");
const QString kPages = QStringLiteral("Main.pc");
const QString kFileBox = QStringLiteral("Main.cbFile");
const QString kLoadData = QStringLiteral("Main.chLoadData");
// The fonts of the SQL memos.
const QString kViewMemo = QStringLiteral("Main.mView");
const QString kDetailMemo = QStringLiteral("Main.mDetail");
// A dialog's position: "<object name>_XY".
QString positionSection(const QWidget* dialog) {
    return dialog->objectName() + QStringLiteral("_XY");
}

// Moves and cuts `bounds` onto `limit`, keeping at least 120 pixels each way.
QRect limitTo(QRect bounds, const QRect& limit) {
    if (bounds.right() > limit.right()) bounds.moveRight(limit.right());
    if (bounds.left() < limit.left()) bounds.setLeft(limit.left());
    if (bounds.right() > limit.right()) bounds.setRight(limit.right());
    if (bounds.bottom() > limit.bottom()) bounds.moveBottom(limit.bottom());
    if (bounds.top() < limit.top()) bounds.setTop(limit.top());
    if (bounds.bottom() > limit.bottom()) bounds.setBottom(limit.bottom());
    bounds.setWidth(std::max(bounds.width(), 120));
    bounds.setHeight(std::max(bounds.height(), 120));
    return bounds;
}

}  // namespace

void TMain::readSettings() {
    const SettingsFile& s = *settings_;
    if (s.sectionExists(kBounds)) {
        const QRect current = geometry();
        const int left = s.readInteger(kBounds, QStringLiteral("Left"), current.left());
        const int top = s.readInteger(kBounds, QStringLiteral("Top"), current.top());
        const int right = s.readInteger(kBounds, QStringLiteral("Right"), left + current.width());
        const int bottom = s.readInteger(kBounds, QStringLiteral("Bottom"), top + current.height());
        QRect bounds(left, top, right - left, bottom - top);
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            bounds = limitTo(bounds, screen->virtualGeometry());
        setGeometry(bounds);
        if (s.readInteger(kBounds, QStringLiteral("WinMinMax"), 0) == 2)
            setWindowState(windowState() | Qt::WindowMaximized);
    }
    const int page = s.readInteger(kPages, QStringLiteral("ItemIndex"), pc->currentIndex());
    if (page >= 0 && page < pc->count()) pc->setCurrentIndex(page);
    if (const std::optional<QStringList> items = s.readStrings(kFileBox))
        session().history().setItems(*items);
    session().setFileText(s.readString(kFileBox, QStringLiteral("Text"), cbFile->currentText()));
    QCheckBox* loadData = structTab->chLoadData;
    loadData->setChecked(
        s.readInteger(kLoadData, QStringLiteral("State"), loadData->isChecked() ? 1 : 0) == 1);
    viewTab->mView->setFont(readQFont(s, kViewMemo, viewTab->mView->font()));
    structTab->mDetail->setFont(readQFont(s, kDetailMemo, structTab->mDetail->font()));
}

void TMain::saveSettings() const {
    SettingsFile& s = *settings_;
    const QRect bounds = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    s.eraseSection(kBounds);
    s.writeInteger(kBounds, QStringLiteral("Left"), bounds.left());
    s.writeInteger(kBounds, QStringLiteral("Top"), bounds.top());
    s.writeInteger(kBounds, QStringLiteral("Right"), bounds.left() + bounds.width());
    s.writeInteger(kBounds, QStringLiteral("Bottom"), bounds.top() + bounds.height());
    s.writeInteger(kBounds, QStringLiteral("WinMinMax"),
                   isMinimized() ? 1 : (isMaximized() ? 2 : 0));
    s.eraseSection(kPages);
    s.writeInteger(kPages, QStringLiteral("ItemIndex"), pc->currentIndex());
    s.eraseSection(kFileBox);
    s.writeStrings(kFileBox, cbFile->items());
    s.writeString(kFileBox, QStringLiteral("Text"), cbFile->currentText());
    s.eraseSection(kLoadData);
    s.writeInteger(kLoadData, QStringLiteral("State"), structTab->chLoadData->isChecked() ? 1 : 0);
    for (const auto& [section, memo] :
         {std::pair{kViewMemo, static_cast<const QWidget*>(viewTab->mView)},
          std::pair{kDetailMemo, static_cast<const QWidget*>(structTab->mDetail)}}) {
        deleteFont(s, section);
        writeFont(s, section, storedFontOf(memo->font()));
    }
    for (const QWidget* dialog :
         {static_cast<const QWidget*>(createDbDlg_), static_cast<const QWidget*>(manageDbDlg_)}) {
        if (!dialog) continue;
        const QString section = positionSection(dialog);
        s.eraseSection(section);
        s.writeInteger(section, QStringLiteral("Left"), dialog->x());
        s.writeInteger(section, QStringLiteral("Top"), dialog->y());
    }
    if (genSqlDlg_) genSqlDlg_->saveSettings(s);
    s.save();
}

void TMain::restoreDialogPosition(QWidget* dialog) const {
    if (!settings_ || !settings_->sectionExists(positionSection(dialog))) return;
    const QString section = positionSection(dialog);
    QPoint at(settings_->readInteger(section, QStringLiteral("Left"), dialog->x()),
              settings_->readInteger(section, QStringLiteral("Top"), dialog->y()));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect limit = screen->virtualGeometry();
        at.setX(std::clamp(at.x(), limit.left(), std::max(limit.left(), limit.right() - 120)));
        at.setY(std::clamp(at.y(), limit.top(), std::max(limit.top(), limit.bottom() - 120)));
    }
    dialog->move(at);
}
