// Editing through the query: the dataset states (browse, edit, insert) over
// the engine recordset's edit buffer, with the before/after events of each
// step and the checks the platform's datasets make.
#include "db/user_feedback.h"
#include "db/xDBComponents_UDB_query.h"
#include "jet/error.h"

namespace {

[[noreturn]] void throwNotEditing() {
    throw jet::Error(jet::ErrorCode::InvalidArgument, "Dataset not in edit or insert mode.");
}

}  // namespace

// ---- TQueryField -----------------------------------------------------------------

void TQueryField::SetValue(const jet::Value& value) const {
    info();
    query_->requireEditing();
    query_->recordset_.setFieldValue(index_, value);
    query_->notifyLinks(TDataLinkEvent::EditingChanged);
}

void TQueryField::SetAsString(const QString& text) const {
    if (text.isEmpty() && !jet::isTextType(DataType())) {
        SetValue(jet::Value());
    } else {
        SetValue(jet::Value::text(text.toStdString()));
    }
}

// ---- TCustomQueryUDB: states -----------------------------------------------------

bool TCustomQueryUDB::CanModify() const {
    return Active() && !readOnly_ && recordset_.canModify();
}

void TCustomQueryUDB::refuseEdit() const {
    requireOpen();
    throw jet::Error(jet::ErrorCode::Unsupported,
                     "Cannot update. Database or object is read-only.");
}

void TCustomQueryUDB::requireEditing() const {
    requireOpen();
    if (!IsEditing()) throwNotEditing();
}

void TCustomQueryUDB::CheckBrowseMode() {
    if (!Active() || !IsEditing()) return;
    if (Modified()) {
        Post();
    } else {
        Cancel();
    }
}

void TCustomQueryUDB::Edit() {
    requireOpen();
    if (IsEditing()) return;
    if (!CanModify()) refuseEdit();
    if (IsEmpty()) {
        Insert();
        return;
    }
    report(deBeforeEdit);
    recordset_.edit();
    lastEditAction_ = leEdit;
    report(deAfterEdit);
    notifyLinks(TDataLinkEvent::EditingChanged);
}

void TCustomQueryUDB::Insert() {
    requireOpen();
    if (!CanModify()) refuseEdit();
    CheckBrowseMode();
    report(deBeforeInsert);
    // The engine adds every new record at the end of the view, so inserting
    // and appending differ only in name.
    recordset_.addNew();
    if (lastEditAction_ != leDuplic) lastEditAction_ = leInsert;
    report(deAfterInsert);
    notifyLinks(TDataLinkEvent::EditingChanged);
}

void TCustomQueryUDB::Append() {
    Insert();
}

void TCustomQueryUDB::cutLongTexts() {
    for (size_t f = 0; f < FieldCount(); ++f) {
        const jet::FieldInfo& field = recordset_.field(f);
        if (field.type != jet::DataType::Text || field.size <= 0) continue;
        const jet::Value& value = recordset_.editBuffer().value(f);
        if (!value.is<std::string>()) continue;
        const QString text = QString::fromStdString(value.as<std::string>());
        if (text.size() <= field.size) continue;
        recordset_.setFieldValue(f, jet::Value::text(text.left(field.size).toStdString()));
    }
}

void TCustomQueryUDB::Post() {
    requireEditing();
    if (CheckFieldSizeBeforePost) cutLongTexts();
    report(deBeforePost);
    // A refused post throws here and leaves the edit as it was.
    recordset_.post();
    report(deAfterPost);
    report(deAfterPostOrApplyUpdates);
    notifyLinks(TDataLinkEvent::DataSetChanged);
}

void TCustomQueryUDB::Cancel() {
    if (!Active() || !IsEditing()) return;
    report(deBeforeCancel);
    recordset_.cancel();
    lastEditAction_ = leCancel;
    report(deAfterCancel);
    notifyLinks(TDataLinkEvent::EditingChanged);
}

void TCustomQueryUDB::Delete() {
    requireOpen();
    if (IsNewRec()) {
        Cancel();
        return;
    }
    if (!CanModify()) refuseEdit();
    if (IsEmpty()) {
        throw jet::Error(jet::ErrorCode::InvalidArgument,
                         "Cannot perform this operation on an empty dataset.");
    }
    if (ConfirmDelete && !db::askYesNo(QStringLiteral("Delete selected record?"))) return;
    report(deBeforeDelete);
    recordset_.remove();
    lastEditAction_ = leDelete;
    report(deAfterDelete);
    report(deAfterPostOrApplyUpdates);
    notifyLinks(TDataLinkEvent::DataSetChanged);
}
