#include "kit/xdlg_label.h"

#include <QFont>

#include "config/KelmCompGlobalCfg.h"
#include "kit/xHTMLLabel.h"

namespace kit {

namespace {

TxHTMLLabel* newLabel(QWidget* parent, const QFont& font, bool wordWrap) {
    auto* label = new TxHTMLLabel(parent);
    label->setFont(font);
    // The dialogs place their labels themselves.
    label->setAutoSize(false);
    label->setWordWrap(wordWrap);
    if (const TxAnchorClickHandler& handler = kelmCompConfig().xDBToolCfg.xDlg_AnchorClick) {
        QObject::connect(label, &TxHTMLLabel::anchorClicked, label,
                         [label, handler](const QString& name) { handler(label, name); });
    }
    return label;
}

}  // namespace

QWidget* createDlgLabel(QWidget* parent, const MsgLabelSpec& spec, const QFont& dialogFont,
                        bool wordWrap) {
    QFont font = dialogFont;
    font.setBold(spec.bold);
    font.setItalic(spec.italic);
    font.setUnderline(spec.underline);
    // The dialog font is sized in pixels at 96 dpi, where a point is 4/3 pixel.
    if (spec.pointDelta != 0) font.setPixelSize(font.pixelSize() + (spec.pointDelta * 4 + 1) / 3);
    TxHTMLLabel* label = newLabel(parent, font, wordWrap);
    label->setCaption(spec.text);
    return label;
}

QSize placeDlgLabel(QWidget* label, int x, int y, int width, bool wordWrap) {
    auto* html = static_cast<TxHTMLLabel*>(label);
    html->setWordWrap(wordWrap);
    const QSize size = wordWrap ? QSize(width, html->heightForWidth(width)) : html->sizeHint();
    html->setGeometry(x, y, size.width(), size.height());
    return size;
}

QWidget* createCentredLabel(QWidget* parent, const QFont& dialogFont) {
    TxHTMLLabel* label = newLabel(parent, dialogFont, true);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

void setDlgLabelCaption(QWidget* label, const QString& caption) {
    static_cast<TxHTMLLabel*>(label)->setCaption(caption);
}

}  // namespace kit
