#include "grid/xDBGrid_model.h"

#include <QApplication>
#include <QPalette>
#include <exception>
#include <limits>

#include "db/query_value.h"
#include "db/xdbtool_dataset.h"
#include "grid/xDBGrid_cell_text.h"

TxDBGridModel::TxDBGridModel(const TOptionsEx2& options, QObject* parent)
    : QAbstractTableModel(parent), options_(options) {
    FontColorReadOnly = QApplication::palette().color(QPalette::Disabled, QPalette::Text);
}

TxDBGridModel::~TxDBGridModel() {
    if (dataSet_) dataSet_->RemoveDataLink(this);
}

void TxDBGridModel::setDataSet(TCustomQueryUDB* dataSet) {
    if (dataSet_ == dataSet) return;
    beginResetModel();
    if (dataSet_) dataSet_->RemoveDataLink(this);
    dataSet_ = dataSet;
    if (dataSet_)
        dataSet_->AddDataLink(this, [this](TCustomQueryUDB&, TDataLinkEvent event) { linkEvent(event); });
    endResetModel();
    emit dataSetReset();
}

void TxDBGridModel::linkEvent(TDataLinkEvent event) {
    if (event == TDataLinkEvent::EditingChanged) {
        editingChanged();
        return;
    }
    if (event == TDataLinkEvent::RecordMoved) {
        // The indicator moves from the old current row to the new one.
        const int now = currentRow();
        if (indicatorRow_ >= 0 && indicatorRow_ < rowCount())
            emit headerDataChanged(Qt::Vertical, indicatorRow_, indicatorRow_);
        if (now >= 0) emit headerDataChanged(Qt::Vertical, now, now);
        indicatorRow_ = now;
        emit currentRecordMoved();
        return;
    }
    beginResetModel();
    newRowShown_ = dataSet_ && dataSet_->Active() && dataSet_->IsNewRec();
    endResetModel();
    emit dataSetReset();
}

void TxDBGridModel::editingChanged() {
    const bool adding = dataSet_ && dataSet_->Active() && dataSet_->IsNewRec();
    const int records = recordRows();
    if (adding && !newRowShown_) {
        beginInsertRows({}, records, records);
        newRowShown_ = true;
        endInsertRows();
    } else if (!adding && newRowShown_) {
        beginRemoveRows({}, records, records);
        newRowShown_ = false;
        endRemoveRows();
    }
    // The edited row shows the buffer; its indicator changes with the state.
    const int row = currentRow();
    if (row >= 0 && row < rowCount()) {
        emit dataChanged(index(row, 0), index(row, std::max(0, columnCount() - 1)));
        emit headerDataChanged(Qt::Vertical, row, row);
    }
    if (indicatorRow_ >= 0 && indicatorRow_ != row && indicatorRow_ < rowCount())
        emit headerDataChanged(Qt::Vertical, indicatorRow_, indicatorRow_);
    indicatorRow_ = row;
    emit currentRecordMoved();
}

int TxDBGridModel::recordRows() const {
    if (!dataSet_ || !dataSet_->Active()) return 0;
    return int(std::min<size_t>(dataSet_->RecordCount(), size_t(std::numeric_limits<int>::max() - 1)));
}

int TxDBGridModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return recordRows() + (newRowShown_ ? 1 : 0);
}

int TxDBGridModel::newRecordRow() const {
    return newRowShown_ ? recordRows() : -1;
}

const db::Value& TxDBGridModel::valueAt(int row, int column) const {
    if (row == newRecordRow()) return dataSet_->Fields(size_t(column)).Value();
    return dataSet_->RecordValue(size_t(row), size_t(column));
}

int TxDBGridModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid() || !dataSet_ || !dataSet_->Active()) return 0;
    return int(dataSet_->FieldCount());
}

std::optional<TQueryField> TxDBGridModel::field(int column) const {
    if (!dataSet_ || !dataSet_->Active() || column < 0 || column >= int(dataSet_->FieldCount()))
        return std::nullopt;
    return dataSet_->Fields(size_t(column));
}

std::optional<std::pair<QString, QString>> TxDBGridModel::booleanTexts(const QString& fieldName) const {
    for (const QString& entry : FieldsAsBoolean) {
        if (entry.section(u'=', 0, 0).trimmed().compare(fieldName, Qt::CaseInsensitive) != 0) continue;
        const QString texts = entry.contains(u'=') ? entry.section(u'=', 1) : QStringLiteral("1;0");
        return std::pair(texts.section(u';', 0, 0), texts.section(u';', 1, 1));
    }
    return std::nullopt;
}

std::optional<QString> TxDBGridModel::booleanTrueText(const QString& fieldName) const {
    const auto texts = booleanTexts(fieldName);
    return texts ? std::optional<QString>(texts->first) : std::nullopt;
}

TxDBGridModel::CellKind TxDBGridModel::cellKind(int column) const {
    const std::optional<TQueryField> f = field(column);
    if (!f) return ckText;
    if (options_.Editors.BoolGlyphs &&
        (f->DataType() == db::DataType::Boolean || booleanTrueText(f->FieldName())))
        return ckBoolean;
    const bool longText = options_.Editors.TextAsMemoSize > 0 && f->DataType() == db::DataType::Text &&
                          f->Size() > options_.Editors.TextAsMemoSize;
    if (options_.Editors.Memo != obtNone && (IsMemoField(f) || longText)) return ckMemo;
    if (options_.Editors.Graphic != obtNone && IsGraphicField(f)) return ckPicture;
    return ckText;
}

QString TxDBGridModel::cellText(int row, int column) const {
    const std::optional<TQueryField> f = field(column);
    if (!f || row < 0 || row >= rowCount()) return {};
    try {
        return CellDisplayText(*f, valueAt(row, column),
                               cellKind(column) == ckPicture);
    } catch (const std::exception&) {
        return {};
    }
}

bool TxDBGridModel::cellIsNull(int row, int column) const {
    if (!field(column) || row < 0 || row >= rowCount()) return true;
    try {
        return valueAt(row, column).isNull();
    } catch (const std::exception&) {
        return true;
    }
}

QVariant TxDBGridModel::cellVariant(int row, int column) const {
    if (!field(column) || row < 0 || row >= rowCount()) return {};
    try {
        return db::valueToVariant(valueAt(row, column));
    } catch (const std::exception&) {
        return {};
    }
}

QVariant TxDBGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int row = index.row();
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole: {
        const CellKind kind = cellKind(column);
        if (kind == ckBoolean) return {};
        if (kind == ckMemo && options_.Editors.Memo == obtGlyph) return {};
        QString text = cellText(row, column);
        // One line per cell: the first line of a multi-line text.
        qsizetype lineEnd = -1;
        for (qsizetype i = 0; i < text.size() && lineEnd < 0; ++i)
            if (text[i] == u'\r' || text[i] == u'\n') lineEnd = i;
        if (lineEnd >= 0) text = text.left(lineEnd) + QStringLiteral("\u2026");
        return text;
    }
    case Qt::CheckStateRole: {
        if (cellKind(column) != ckBoolean) return {};
        const std::optional<TQueryField> f = field(column);
        bool checked = false;
        if (f->DataType() == db::DataType::Boolean) {
            checked = cellVariant(row, column).toBool();
        } else {
            const QString trueText = booleanTrueText(f->FieldName()).value_or(QStringLiteral("1"));
            checked = cellText(row, column).compare(trueText, Qt::CaseInsensitive) == 0;
        }
        return checked ? Qt::Checked : Qt::Unchecked;
    }
    case Qt::EditRole: {
        try {
            return db::valueToText(valueAt(row, column));
        } catch (const std::exception&) {
            return QString();
        }
    }
    case CellKindRole: {
        const CellKind kind = cellKind(column);
        return int(kind);
    }
    case Qt::ForegroundRole:
        if (dataSet_ && dataSet_->Filtered() && !dataSet_->Filter().trimmed().isEmpty())
            return FontColorFiltered;
        if (const auto f = field(column); f && f->ReadOnly()) return FontColorReadOnly;
        return {};
    case Qt::BackgroundRole:
        if (options_.Appearance.DrawColoredRow && (row % 2) == 1) return ColorOddRow;
        return {};
    case Qt::TextAlignmentRole: {
        const std::optional<TQueryField> f = field(column);
        if (f && IsNumericField(f)) return int(Qt::AlignRight | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    }
    default: return {};
    }
}

int TxDBGridModel::currentRow() const {
    if (newRowShown_) return newRecordRow();
    if (!dataSet_ || !dataSet_->Active() || dataSet_->RecNo() == 0) return -1;
    return int(dataSet_->RecNo()) - 1;
}

QVariant TxDBGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    // The indicator column: the record-state glyph in the current row.
    if (orientation == Qt::Vertical) {
        if (section != currentRow()) return QString();
        if (section == newRecordRow()) return QStringLiteral("*");
        if (dataSet_->IsEditing()) return QStringLiteral("I");
        return QStringLiteral("\u25B8");
    }
    const std::optional<TQueryField> f = field(section);
    return f ? f->FieldName() : QVariant();
}

Qt::ItemFlags TxDBGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (CanEditColumn && CanEditColumn(index.column())) flags |= Qt::ItemIsEditable;
    return flags;
}

bool TxDBGridModel::writeCell(int column, const db::Value& value) {
    const std::optional<TQueryField> f = field(column);
    if (!f) return false;
    try {
        if (!dataSet_->IsEditing()) dataSet_->Edit();
        f->SetValue(value);
        return true;
    } catch (const std::exception& error) {
        emit editRefused(QString::fromUtf8(error.what()));
        return false;
    }
}

bool TxDBGridModel::writeCellText(int column, const QString& text) {
    const std::optional<TQueryField> f = field(column);
    if (!f) return false;
    // A cleared cell holds nothing, as in the datasheet, also for text.
    if (text.isEmpty()) return writeCell(column, db::Value());
    return writeCell(column, db::Value::text(text.toStdString()));
}

bool TxDBGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || !dataSet_ || !dataSet_->Active()) return false;
    if (index.row() != currentRow()) return false;  // only the current record is edited
    if (role == Qt::EditRole) {
        // The editor hands back its text also when nothing was typed; that
        // must not count as a change of the record.
        const QString text = value.toString();
        if (text == data(index, Qt::EditRole).toString()) return true;
        return writeCellText(index.column(), text);
    }
    if (role == Qt::CheckStateRole && cellKind(index.column()) == ckBoolean) {
        const std::optional<TQueryField> f = field(index.column());
        const bool checked = value.toInt() == Qt::Checked;
        if (f->DataType() == db::DataType::Boolean) return writeCell(index.column(), db::Value::boolean(checked));
        const auto texts = booleanTexts(f->FieldName()).value_or(std::pair(QStringLiteral("1"), QStringLiteral("0")));
        return writeCellText(index.column(), checked ? texts.first : texts.second);
    }
    return false;
}
