// Editing records in the grid: the editing check, the cell editor, the
// editing keys, check-box cells, clearing, pasting and filling cells.
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <exception>

#include "db/xdbtool_dataset.h"
#include "grid/xDBGrid.h"
#include "grid/xDBGrid_copy.h"
#include "grid/xDBGrid_header.h"
#include "grid/xDBGrid_memo_form.h"
#include "grid/xDBGrid_model.h"
#include "kit/xHTMLLabel.h"
#include "kit/xdlg.h"

namespace {

// What pasted numbers and dates lose before they are assigned: blanks,
// tabs, line breaks and no-break spaces (numbers also the thousands
// separator, in a block paste).
QString withoutBlanks(const QString& text, bool dropThousands) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == QChar(0x00A0)) continue;
        if (dropThousands && c == QLocale().groupSeparator().front()) continue;
        out += c;
    }
    return out;
}

// A copied value in double quotes comes back as it was: quotes dropped,
// doubled quotes made single, LF back to CR LF.
QString unquotePasted(const QString& value) {
    if (value.size() < 2 || !value.startsWith(u'"') || !value.endsWith(u'"')) return value;
    QString inner = value.mid(1, value.size() - 2);
    inner.replace(QStringLiteral("\"\""), QStringLiteral("\""));
    inner.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return inner;
}

}  // namespace

bool TxDBGrid::CanEditColumn(int column) const {
    if (!EditingOption || !IsActive() || !DataSet()->CanModify()) return false;
    const std::optional<TQueryField> field = ColumnField(column);
    if (!field || field->ReadOnly() || header_->isSectionHidden(column)) return false;
    return !OnCanEdit || OnCanEdit(column);
}

bool TxDBGrid::BeginCellEdit(int column) {
    if (!CanEditColumn(column)) return false;
    if (DataSet()->IsEditing()) return true;
    try {
        DataSet()->Edit();
    } catch (const std::exception& error) {
        reportEditError(QString::fromUtf8(error.what()));
        return false;
    }
    return DataSet()->IsEditing();
}

void TxDBGrid::reportEditError(const QString& message) {
    MsgError(htmlEscape(message));
}

bool TxDBGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    const bool opens = index.isValid() && (editTriggers() & trigger) &&
                       (model_->flags(index) & Qt::ItemIsEditable) && index == currentIndex();
    if (!opens) return QTableView::edit(index, trigger, event);
    // Check boxes toggle, memo and picture cells have windows of their own;
    // none of them gets the text editor.
    if (model_->cellKind(index.column()) != TxDBGridModel::ckText) return false;
    if (!BeginCellEdit(index.column())) return false;
    return QTableView::edit(index, trigger, event);
}

bool TxDBGrid::ToggleBoolCell(int column) {
    if (model_->cellKind(column) != TxDBGridModel::ckBoolean) return false;
    const int row = model_->currentRow();
    if (row < 0) return false;
    const bool wasEditing = DataSet()->IsEditing();
    if (!BeginCellEdit(column)) return false;
    const QModelIndex cell = model_->index(model_->currentRow(), column);
    const bool checked = cell.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    if (!model_->setData(cell, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole))
        return false;
    if (OnBoolClick) OnBoolClick(column);
    if (OptionsEx2.Editors.BoolAutoSave && !wasEditing) {
        try {
            DataSet()->Post();
        } catch (const std::exception& error) {
            reportEditError(QString::fromUtf8(error.what()));
        }
    }
    return true;
}

bool TxDBGrid::ClearCell(bool copyFirst) {
    const int column = SelectedColumn();
    if (copyFirst) CopyCellData(true);
    if (!BeginCellEdit(column)) return false;
    if (model_->cellKind(column) == TxDBGridModel::ckBoolean &&
        !OptionsEx2.Editors.BoolAllowsNull) {
        const QModelIndex cell = model_->index(model_->currentRow(), column);
        return model_->setData(cell, Qt::Unchecked, Qt::CheckStateRole);
    }
    return model_->writeCell(column, db::Value());
}

bool TxDBGrid::DeleteRecord() {
    if (!IsActive()) return false;
    TCustomQueryUDB* query = DataSet();
    if (!query->IsNewRec()) {
        if (!query->CanModify() || query->IsEmpty()) return false;
        if (ConfirmDeleteOption && ShowMsgDlg(kit::MsgKind::Question, kit::ButtonSet::OkCancel,
                                              {QStringLiteral("Delete record?")}) != mrOk)
            return false;
    }
    try {
        query->Delete();
    } catch (const std::exception& error) {
        reportEditError(QString::fromUtf8(error.what()));
        return false;
    }
    return true;
}

bool TxDBGrid::pasteLine(const QString& line, int startColumn, QString& errors) {
    const QStringList values = line.split(u'\t');
    int visual = header_->visualIndex(startColumn);
    for (const QString& raw : values) {
        // The next visible column from the starting one.
        while (visual < header_->count() && header_->isSectionHidden(header_->logicalIndex(visual)))
            ++visual;
        if (visual >= header_->count()) break;
        const int column = header_->logicalIndex(visual++);
        const std::optional<TQueryField> field = ColumnField(column);
        QString value = unquotePasted(raw);
        if (IsNumericField(field))
            value = withoutBlanks(value, true);
        else if (IsDateTimeField(field))
            value = withoutBlanks(value, false);
        try {
            if (!field || field->ReadOnly()) {
                throw db::Error(db::ErrorCode::InvalidArgument,
                                "Field '" + (field ? field->FieldName() : QString()).toStdString() +
                                    "' cannot be modified.");
            }
            field->SetValue(value.isEmpty() ? db::Value() : db::Value::text(value.toStdString()));
        } catch (const std::exception& error) {
            errors += QString::fromUtf8(error.what()) + QStringLiteral("; ");
        }
    }
    return true;
}

bool TxDBGrid::PasteData(const QString& clipboardText) {
    const int column = SelectedColumn();
    if (!CanEditColumn(column)) return false;
    QString text = clipboardText;
    while (text.endsWith(u'\r') || text.endsWith(u'\n')) text.chop(1);
    TCustomQueryUDB* query = DataSet();
    const bool block = OptionsEx2.Editors.AllowPasteMultipleCells &&
                       (text.contains(u'\r') || text.contains(u'\t'));
    if (!block) {
        const std::optional<TQueryField> field = ColumnField(column);
        if (IsNumericField(field) || IsDateTimeField(field)) text = withoutBlanks(text, false);
        if (!BeginCellEdit(column)) return false;
        try {
            field->SetValue(text.isEmpty() ? db::Value() : db::Value::text(text.toStdString()));
        } catch (const std::exception&) {
            // A value the field refuses is left out, as typing it would be.
        }
        return true;
    }

    const QStringList lines = text.contains(QStringLiteral("\r\n"))
                                  ? text.split(QStringLiteral("\r\n"))
                                  : text.split(u'\r');
    // On the new record every line becomes a new record; otherwise lines go
    // over the following records, and those past the last one are added.
    bool appending = query->IsNewRec();
    QString errors;
    for (int i = 0; i < lines.size(); ++i) {
        try {
            if (appending && !query->IsNewRec())
                query->Append();
            else if (!query->IsEditing())
                query->Edit();
        } catch (const std::exception& error) {
            reportEditError(QString::fromUtf8(error.what()));
            break;
        }
        if (!query->IsEditing()) break;
        pasteLine(lines[i], column, errors);
        if (lines.size() > 1) {
            try {
                query->Post();
            } catch (const std::exception& error) {
                const int answer =
                    ShowMsgDlg(kit::MsgKind::Question, kit::ButtonSet::YesNo,
                               {QStringLiteral("Error: Cannot save record.\nContinue?"),
                                QStringLiteral("Error description:\n") +
                                    htmlEscape(QString::fromUtf8(error.what()))});
                if (answer != mrYes) break;
                query->Cancel();
            }
        }
        if (!appending && i + 1 < lines.size()) {
            if (query->RecNo() >= query->RecordCount()) {
                appending = true;
            } else {
                query->Next();
            }
        }
    }
    if (!errors.isEmpty()) reportEditError(errors);
    return true;
}

bool TxDBGrid::FillCellData(const QStringList& fieldNames, bool fillUp) {
    if (!IsActive()) return false;
    TCustomQueryUDB* query = DataSet();
    try {
        query->CheckBrowseMode();
        std::vector<std::pair<size_t, db::Value>> values;
        if (fieldNames.isEmpty()) {
            if (const std::optional<TQueryField> f = SelectedField())
                values.emplace_back(f->Index(), f->Value());
        } else {
            for (const QString& name : fieldNames) {
                if (const std::optional<TQueryField> f = query->FindField(name))
                    values.emplace_back(f->Index(), f->Value());
            }
        }
        if (fillUp) {
            if (query->RecNo() <= 1)
                query->Insert();
            else
                query->Prior();
        } else {
            if (query->RecNo() >= query->RecordCount())
                query->Append();
            else
                query->Next();
        }
        if (!query->IsEditing()) query->Edit();
        if (!query->IsEditing()) return false;
        for (const auto& [field, value] : values) query->Fields(field).SetValue(value);
    } catch (const std::exception& error) {
        reportEditError(QString::fromUtf8(error.what()));
        return false;
    }
    return true;
}

bool TxDBGrid::ShowMemo(int column) {
    if (!IsActive() || model_->cellKind(column) != TxDBGridModel::ckMemo) return false;
    const int row = model_->currentRow();
    if (row < 0) return false;
    const QString before = model_->index(row, column).data(Qt::EditRole).toString();
    const bool editable = CanEditColumn(column);
    TxDBGridMemoForm form(model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(),
                          before, !editable, this);
    form.setObjectName((parentWidget() ? parentWidget()->objectName() : QString()) + u'_' +
                       objectName() + QStringLiteral("_MemoForm"));
    const int result = runMemoForm ? runMemoForm(form) : form.exec();
    if (result != QDialog::Accepted || !editable || form.text() == before) return true;
    if (!BeginCellEdit(column)) return true;
    model_->setData(model_->index(model_->currentRow(), column), form.text(), Qt::EditRole);
    return true;
}

void TxDBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && model_->cellKind(index.column()) == TxDBGridModel::ckMemo &&
        !OptionsEx2.Editors.NotProcMemoDblClick) {
        setCurrentIndex(index);
        ShowMemo(index.column());
        event->accept();
        return;
    }
    if (index.isValid() && model_->cellKind(index.column()) == TxDBGridModel::ckBoolean &&
        !OptionsEx2.Editors.BoolOneClickChange) {
        ToggleBoolCell(index.column());
        event->accept();
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}

bool TxDBGrid::editKey(QKeyEvent* event) {
    if (!IsActive()) return false;
    TCustomQueryUDB* query = DataSet();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    const bool plain = mods == Qt::NoModifier;
    if (key == Qt::Key_Escape && plain && query->IsEditing()) {
        query->Cancel();
        return true;
    }
    if (key == Qt::Key_Delete && mods == Qt::ControlModifier) {
        DeleteRecord();
        return true;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && plain &&
        model_->cellKind(SelectedColumn()) == TxDBGridModel::ckMemo &&
        OptionsEx2.Editors.Memo == obtGlyph) {
        ShowMemo(SelectedColumn());
        return true;
    }
    if (key == Qt::Key_Delete && plain) {
        ClearCell(false);
        return true;
    }
    if (key == Qt::Key_X && mods == Qt::ControlModifier) {
        ClearCell(true);
        return true;
    }
    if ((key == Qt::Key_V && mods == Qt::ControlModifier) ||
        (key == Qt::Key_Insert && mods == Qt::ShiftModifier)) {
        PasteData(QApplication::clipboard()->text());
        return true;
    }
    if (key == Qt::Key_Space && plain &&
        model_->cellKind(SelectedColumn()) == TxDBGridModel::ckBoolean) {
        ToggleBoolCell(SelectedColumn());
        return true;
    }
    const bool mayAdd = EditingOption && query->CanModify() && !OptionsEx2.Editors.BlockInsertByKey;
    if (key == Qt::Key_Insert && plain) {
        if (mayAdd) {
            try {
                query->Insert();
            } catch (const std::exception& error) {
                reportEditError(QString::fromUtf8(error.what()));
            }
        }
        return true;
    }
    if (key == Qt::Key_Down && plain && mayAdd) {
        const bool onLast =
            !query->IsNewRec() && (query->IsEmpty() || query->RecNo() == query->RecordCount());
        const bool onChangedNew = query->IsNewRec() && query->Modified();
        if (onLast || onChangedNew) {
            try {
                query->Append();  // posts the changed new record first
            } catch (const std::exception& error) {
                reportEditError(QString::fromUtf8(error.what()));
            }
            return true;
        }
    }
    return false;
}
