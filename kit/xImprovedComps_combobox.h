// TxComboBoxEx: the combo box with a history list (the file box of the main
// window), a delayed reload of its items while the user types, and a
// drop-down as wide as its items. History rules: xImprovedComps_history.h.
#pragma once

#include <QComboBox>
#include <QTimer>
#include <functional>

class TxComboBoxEx : public QComboBox {
    Q_OBJECT
public:
    // Receives the text before the caret (the whole text when the caret is
    // at the start) and may set `newText`, which then replaces the box's
    // text; it starts out as the box's current text.
    using UpdateLoadItems =
        std::function<void(TxComboBoxEx* sender, const QString& text, QString& newText)>;

    explicit TxComboBoxEx(QWidget* parent = nullptr);

    bool dropDownAutoWidth() const { return dropDownAutoWidth_; }
    void setDropDownAutoWidth(bool on) { dropDownAutoWidth_ = on; }
    int dropDownMaxWidth() const { return dropDownMaxWidth_; }
    void setDropDownMaxWidth(int pixels) { dropDownMaxWidth_ = pixels; }
    int updateTimerDelay() const { return updateTimerDelay_; }
    void setUpdateTimerDelay(int ms) { updateTimerDelay_ = ms; }
    void setOnUpdateLoadItems(UpdateLoadItems handler) { onUpdateLoadItems_ = std::move(handler); }

    // All items, in order.
    QStringList items() const;

    // Appends `text` (or the box's text when empty), trimmed, unless it has
    // at most one character or is already an item (any letter case).
    void AddTextToItems(const QString& text = QString());
    // Deletes the item equal to `text` (or the box's text), trimmed.
    void RemoveTextFromItems(const QString& text = QString());
    // A list-only box: the selected item (empty when none); else the text.
    QString GetSelectedText() const;
    // Stops the update timer; restarts it when setActive; runs its event now
    // when callEventNow.
    void ResetTimer(bool setActive, bool callEventNow);

    bool updateTimerActive() const { return updateTimer_.isActive(); }

    void showPopup() override;
    void hidePopup() override;

signals:
    void updateTimerFired(TxComboBoxEx* sender);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void textEdited();
    void updateTimerTimeout();

    bool dropDownAutoWidth_ = true;
    int dropDownMaxWidth_ = 600;
    int updateTimerDelay_ = 0;
    UpdateLoadItems onUpdateLoadItems_;
    QTimer updateTimer_;
    bool enterPressed_ = false;
    bool listJustClosed_ = false;
};
