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
    endResetModel();
    emit dataSetReset();
}

int TxDBGridModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !dataSet_ || !dataSet_->Active()) return 0;
    return int(std::min<size_t>(dataSet_->RecordCount(), size_t(std::numeric_limits<int>::max())));
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

std::optional<QString> TxDBGridModel::booleanTrueText(const QString& fieldName) const {
    for (const QString& entry : FieldsAsBoolean) {
        if (entry.section(u'=', 0, 0).trimmed().compare(fieldName, Qt::CaseInsensitive) != 0) continue;
        const QString texts = entry.contains(u'=') ? entry.section(u'=', 1) : QStringLiteral("1;0");
        return texts.section(u';', 0, 0);
    }
    return std::nullopt;
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
        return CellDisplayText(*f, dataSet_->RecordValue(size_t(row), size_t(column)),
                               cellKind(column) == ckPicture);
    } catch (const std::exception&) {
        return {};
    }
}

bool TxDBGridModel::cellIsNull(int row, int column) const {
    if (!field(column) || row < 0 || row >= rowCount()) return true;
    try {
        return dataSet_->RecordValue(size_t(row), size_t(column)).isNull();
    } catch (const std::exception&) {
        return true;
    }
}

QVariant TxDBGridModel::cellVariant(int row, int column) const {
    if (!field(column) || row < 0 || row >= rowCount()) return {};
    try {
        return db::valueToVariant(dataSet_->RecordValue(size_t(row), size_t(column)));
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
    if (!dataSet_ || !dataSet_->Active() || dataSet_->RecNo() == 0) return -1;
    return int(dataSet_->RecNo()) - 1;
}

QVariant TxDBGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    // The indicator column: the record-state glyph in the current row.
    if (orientation == Qt::Vertical) return section == currentRow() ? QStringLiteral("\u25B8") : QString();
    const std::optional<TQueryField> f = field(section);
    return f ? f->FieldName() : QVariant();
}

Qt::ItemFlags TxDBGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}
