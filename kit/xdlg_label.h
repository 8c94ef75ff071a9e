// The labels of the kit's dialogs: the kit's HTML label in the dialog font,
// with the font changes of a message item and the configured anchor handler.
#pragma once

#include <QSize>
#include <QString>

#include "kit/xdlg_layout.h"

class QFont;
class QWidget;

namespace kit {

// A label owned by `parent`, not yet placed.
QWidget* createDlgLabel(QWidget* parent, const MsgLabelSpec& spec, const QFont& dialogFont,
                        bool wordWrap);

// Places the label at (x, y). With word wrap it takes `width` and the height
// its text needs; without, its own natural size. Returns the size it took.
QSize placeDlgLabel(QWidget* label, int x, int y, int width, bool wordWrap);

// A label whose text is centred both ways and wraps (the progress window).
QWidget* createCentredLabel(QWidget* parent, const QFont& dialogFont);
void setDlgLabelCaption(QWidget* label, const QString& caption);

}  // namespace kit
