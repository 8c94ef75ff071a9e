// TxGroupBox: the frame of the program's window areas. It lays out its
// children by position texts and child group boxes by a percentage grid
// (rules in xImprovedComps_layout.h), enables or disables all its children
// with itself, can be minimised to its caption bar, and accepts files
// dropped from the desktop while it is enabled and EnableDropFile is set.
#pragma once

#include <QGroupBox>
#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <optional>

#include "kit/xImprovedComps_layout.h"

// This box's cell in its parent box's percentage grid.
struct TxAutoResizePos {
    int ColumnIndexFrom = 0;
    int ColumnIndexTo = 0;
    int RowIndexFrom = 0;
    int RowIndexTo = 0;
    bool LastColumn = false;
    bool LastRow = false;
};

// How the box lays out its own children.
struct TxAutoResizeChild {
    bool AutoResizeActive = false;
    int AutoResizeDelay = 100;  // ms; 0 or less lays out at once
    bool AutoSetTabOrder = true;
    int ColSpacing = 4;
    int RowSpacing = 4;
    int BorderSpacing = 8;
    int BorderLeftAddSpacing = 0;
    QStringList ColWidthsPercent;
    QStringList RowHeightsPercent;
    QStringList ChildCompsPos;  // "name=position text", one per child
};

class TxGroupBox : public QGroupBox {
    Q_OBJECT
public:
    explicit TxGroupBox(QWidget* parent = nullptr);
    explicit TxGroupBox(const QString& caption, QWidget* parent = nullptr);

    bool autoEnableChildren() const { return autoEnableChildren_; }
    void setAutoEnableChildren(bool on) { autoEnableChildren_ = on; }

    bool enableDropFile() const { return enableDropFile_; }
    void setEnableDropFile(bool on);

    kit::FrameType frameType() const { return frameType_; }
    void setFrameType(kit::FrameType frame);

    // Height of the caption bar; 0 means the height of the caption's font.
    int captionHeight() const;
    void setCaptionHeight(int pixels) { captionHeight_ = pixels; }

    const TxAutoResizePos& autoResizePos() const { return autoResizePos_; }
    void setAutoResizePos(const TxAutoResizePos& pos) { autoResizePos_ = pos; }
    const TxAutoResizeChild& autoResizeChild() const { return autoResizeChild_; }
    // Takes the settings and lays out at once when active.
    void setAutoResizeChild(const TxAutoResizeChild& settings);

    // Minimising reduces the box to its caption bar (vertically); restoring
    // gives it its kept height back.
    bool minimized() const { return minimized_; }
    void setMinimized(bool on);
    int originSize() const { return originSize_; }

    // The area inside the caption and the frame, where children are laid out.
    QRect clientArea() const;

    // Sets the enabled state of every child, recursively (pages of tab
    // widgets included).
    void SetAllChildren(bool enabled);
    int GetDropFilesCount() const { return int(dropFiles_.size()); }
    QStringList GetDropFileNames() const { return dropFiles_; }
    QPoint dropPoint() const { return dropPoint_; }
    // Lays the children out now.
    void RefreshAutoPosition();
    std::optional<kit::ChildPosition> GetAutoResizeChildComponentPos(const QString& compName) const;
    // Writes the child's position text and lays out at once.
    void SetAutoResizeChildComponentPos(const QString& compName, const kit::ChildPosition& pos);

signals:
    void filesDropped(TxGroupBox* sender);
    void minimizeChanged(TxGroupBox* sender);
    void autoPositionRefreshed(TxGroupBox* sender);

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void updateDropAcceptance();
    void layoutGrid(const QRect& client, const kit::BoxSpacing& spacing);
    void layoutPositions(const QRect& client, const kit::BoxSpacing& spacing);
    QWidget* findChildControl(const QString& name) const;
    kit::BoxSpacing spacing() const;

    bool autoEnableChildren_ = true;
    bool enableDropFile_ = false;
    kit::FrameType frameType_ = kit::FrameType::ft3D;
    int captionHeight_ = 0;
    TxAutoResizePos autoResizePos_;
    TxAutoResizeChild autoResizeChild_;
    bool minimized_ = false;
    int originSize_ = 0;
    std::vector<std::pair<QPointer<QWidget>, bool>> visibilityBeforeMinimize_;
    bool placedByParent_ = false;
    QTimer resizeTimer_;
    QStringList dropFiles_;
    QPoint dropPoint_;
};
