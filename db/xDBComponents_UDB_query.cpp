#include "db/xDBComponents_UDB_query.h"

#include <QElapsedTimer>
#include <QTime>

#include "config/KelmCompGlobalCfg.h"
#include "db/query_value.h"
#include "db/wait_cursor.h"
#include "jet/error.h"

namespace {

[[noreturn]] void throwClosed() {
    throw jet::Error(jet::ErrorCode::InvalidArgument,
                     "Operation is not allowed when the object is closed.");
}

}  // namespace

// ---- TQueryField -----------------------------------------------------------------

const jet::FieldInfo& TQueryField::info() const {
    if (index_ >= query_->FieldCount()) {
        throw jet::Error(jet::ErrorCode::NotFound,
                         "Item cannot be found in the collection corresponding to the requested "
                         "name or ordinal.");
    }
    return query_->recordset_.field(index_);
}

QString TQueryField::FieldName() const {
    return QString::fromStdString(info().name);
}

jet::DataType TQueryField::DataType() const {
    return info().type;
}

int TQueryField::Size() const {
    return info().size;
}

bool TQueryField::ReadOnly() const {
    return info().readOnly || query_->ReadOnly();
}

bool TQueryField::Required() const {
    return info().required;
}

const jet::Value& TQueryField::Value() const {
    info();
    return query_->recordset_.value(index_);
}

QVariant TQueryField::AsVariant() const {
    return db::valueToVariant(Value());
}

QString TQueryField::AsString() const {
    return db::valueToText(Value());
}

QString TQueryField::DisplayValues() const {
    info();
    return index_ < query_->displayValues_.size() ? query_->displayValues_[index_] : QString();
}

void TQueryField::SetDisplayValues(const QString& values) const {
    info();
    if (query_->displayValues_.size() <= index_) query_->displayValues_.resize(index_ + 1);
    query_->displayValues_[index_] = values;
}

// ---- TCustomQueryUDB: connection, open, close --------------------------------

TCustomQueryUDB::~TCustomQueryUDB() {
    // Observers may look at the query while it closes; they must not see a
    // half-destroyed one, so nothing is reported here.
    eventNotify_.clear();
    links_.clear();
    OnDataSetEvent = nullptr;
    if (connection_) connection_->removeDataset(this);
}

void TCustomQueryUDB::connectionDestroyed() {
    Close();
    connection_ = nullptr;
}

void TCustomQueryUDB::SetConnection(TCustomConnectionUDB* connection) {
    if (connection == connection_) return;
    Close();
    if (connection_) connection_->removeDataset(this);
    connection_ = connection;
    if (connection_) connection_->addDataset(this);
}

void TCustomQueryUDB::SetSQL(const QString& sql) {
    Close();
    sql_ = sql;
}

void TCustomQueryUDB::SetReadOnly(bool value) {
    readOnly_ = value;
    UpdateDatasetState();
}

void TCustomQueryUDB::openRecordset() {
    if (!connection_) {
        throw jet::Error(jet::ErrorCode::InvalidArgument,
                         "Missing Connection or ConnectionString.");
    }
    if (!connection_->Connected()) connection_->Open();
    recordset_.open(connection_->engineHandle().database(), sql_.toStdString());
    displayValues_.assign(recordset_.fieldCount(), QString());
    if (filtered_ && !filter_.trimmed().isEmpty()) {
        try {
            recordset_.setFilter(filter_.toStdString());
        } catch (...) {
            // A filter the new result cannot take fails the open, as the
            // provider's does; the query stays closed.
            recordset_ = jet::Recordset();
            throw;
        }
    }
}

void TCustomQueryUDB::Open() {
    if (Active()) return;
    // Read-only connections make their queries read-only.
    if (connection_ && connection_->ReadOnly() && !readOnly_) readOnly_ = true;
    report(deBeforeOpen);
    openRecordset();
    if (!lastSort_.isEmpty()) {
        try {
            recordset_.setSort(lastSort_.toStdString());
        } catch (const jet::Error&) {
            // A remembered sort on columns the new result lacks is dropped.
        }
        recordset_.first();
    }
    lastEditAction_ = leNone;
    report(deAfterOpen);
    notifyLinks(TDataLinkEvent::ActiveChanged);
}

void TCustomQueryUDB::Close() {
    if (!Active()) return;
    report(deBeforeClose);
    lastSort_ = QString::fromStdString(recordset_.sortText());
    recordset_ = jet::Recordset();
    displayValues_.clear();
    lastEditAction_ = leNone;
    report(deAfterClose);
    notifyLinks(TDataLinkEvent::ActiveChanged);
}

void TCustomQueryUDB::RequeryEx(bool changeCursor) {
    db::WaitCursor cursor(changeCursor);
    QElapsedTimer timer;
    timer.start();
    try {
        if (Active()) {
            CheckBrowseMode();
            ScopedControlsOff quiet(*this);
            // The recordset returns to the bookmarked record, else to the
            // first record holding the old first-field value, else to the
            // first record.
            recordset_.requery();
            changedWhileDisabled_ = true;
        } else {
            Open();
        }
        trace(changeCursor ? QStringLiteral("opening (W)") : QStringLiteral("opening"),
              static_cast<double>(timer.nsecsElapsed()) / 1e9, true);
    } catch (...) {
        QString text = sql_;
        text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        text.replace(u'\n', u' ');
        text.replace(u'\r', u' ');
        trace(QStringLiteral(" ERROR opening ") + text,
              static_cast<double>(timer.nsecsElapsed()) / 1e9, false);
        throw;
    }
}

void TCustomQueryUDB::trace(const QString& text, double seconds, bool withCounts) {
    const auto& cfg = kelmCompConfig().xDBFieldDefaultsCfg;
    if (!cfg.InternalSQLLog) return;
    const QString& sep = cfg.InternalLogSeparator;
    QString line = QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")) + sep + name_ +
                   sep + text + sep + QString::number(seconds, 'f', 4) + sep;
    if (withCounts && Active()) {
        line += QString::number(RecordCount()) + sep + QString::number(RecordSize()) + sep;
    }
    cfg.InternalSQLLog->append(line);
}

// ---- Fields --------------------------------------------------------------------

TQueryField TCustomQueryUDB::Fields(size_t index) {
    if (index >= FieldCount()) {
        throw jet::Error(jet::ErrorCode::NotFound,
                         "Item cannot be found in the collection corresponding to the requested "
                         "name or ordinal.");
    }
    return TQueryField(*this, index);
}

std::optional<TQueryField> TCustomQueryUDB::FindField(const QString& name) {
    const std::optional<size_t> index = recordset_.fieldIndex(name.toStdString());
    if (!index) return std::nullopt;
    return TQueryField(*this, *index);
}

TQueryField TCustomQueryUDB::FieldByName(const QString& name) {
    std::optional<TQueryField> field = FindField(name);
    if (!field) {
        throw jet::Error(jet::ErrorCode::NotFound, "Field '" + name.toStdString() + "' not found.");
    }
    return *field;
}

int TCustomQueryUDB::RecordSize() const {
    int size = 0;
    for (size_t i = 0; i < FieldCount(); ++i) size += recordset_.field(i).size;
    return size;
}

// ---- Navigation and bookmarks ----------------------------------------------------

void TCustomQueryUDB::requireOpen() const {
    if (!Active()) throwClosed();
}

void TCustomQueryUDB::scroll(const std::function<void()>& move) {
    requireOpen();
    CheckBrowseMode();
    report(deBeforeScroll);
    move();
    report(deAfterScroll);
    notifyLinks(TDataLinkEvent::RecordMoved);
}

void TCustomQueryUDB::First() {
    scroll([this] { recordset_.first(); });
}

void TCustomQueryUDB::Last() {
    scroll([this] { recordset_.last(); });
}

void TCustomQueryUDB::Next() {
    scroll([this] { recordset_.next(); });
}

void TCustomQueryUDB::Prior() {
    scroll([this] { recordset_.prior(); });
}

void TCustomQueryUDB::MoveBy(long distance) {
    scroll([this, distance] { recordset_.moveBy(distance); });
}

void TCustomQueryUDB::SetRecNo(size_t recNo) {
    requireOpen();
    // Going back to the record that was current before a new one leaves
    // the new one all the same.
    if (IsNewRec()) CheckBrowseMode();
    const size_t count = recordset_.recordCount();
    if (count == 0) return;
    const size_t target = std::clamp<size_t>(recNo, 1, count);
    if (recordset_.recNo() == target) return;
    scroll([this, target] {
        if (recordset_.recNo() == 0) recordset_.first();
        recordset_.moveBy(static_cast<long>(target) - static_cast<long>(recordset_.recNo()));
    });
}

void TCustomQueryUDB::ScanFieldValues(
    size_t field, const std::function<bool(size_t position, const jet::Value& value)>& visit) const {
    requireOpen();
    recordset_.visitFieldValues(field, visit);
}

const jet::Value& TCustomQueryUDB::RecordValue(size_t position, size_t field) const {
    requireOpen();
    if (recordset_.editPosition() == position && field < recordset_.fieldCount()) {
        return recordset_.editBuffer().value(field);
    }
    return recordset_.valueAt(position, field);
}

bool TCustomQueryUDB::Locate(const QString& fields, const std::vector<jet::Value>& values,
                             const jet::LocateOptions& options) {
    bool found = false;
    scroll([&] { found = recordset_.locate(fields.toStdString(), values, options); });
    return found;
}

std::optional<jet::Bookmark> TCustomQueryUDB::Bookmark() const {
    return Active() ? recordset_.bookmark() : std::nullopt;
}

bool TCustomQueryUDB::BookmarkValid(const jet::Bookmark& mark) const {
    return Active() && recordset_.isBookmarkValid(mark);
}

bool TCustomQueryUDB::GotoBookmark(const jet::Bookmark& mark) {
    if (!BookmarkValid(mark)) return false;
    scroll([&] { recordset_.moveToBookmark(mark); });
    return true;
}

void TCustomQueryUDB::SetBookmark(const jet::Bookmark& mark) {
    requireOpen();
    if (!GotoBookmark(mark)) throw jet::Error(jet::ErrorCode::NotFound, "Record not found.");
}

// ---- Filter and sort ---------------------------------------------------------------

void TCustomQueryUDB::SetFilterEx(const QString& text, bool filtered) {
    if (Active()) {
        CheckBrowseMode();
        const bool apply = filtered && !text.trimmed().isEmpty();
        // The recordset compiles the text before it changes anything, so a
        // refused text leaves everything as it was.
        recordset_.setFilter(apply ? text.toStdString() : std::string());
    }
    filter_ = text;
    filtered_ = filtered;
    if (Active()) notifyLinks(TDataLinkEvent::DataSetChanged);
}

QString TCustomQueryUDB::Sort() const {
    return Active() ? QString::fromStdString(recordset_.sortText()) : lastSort_;
}

void TCustomQueryUDB::SetSortEx(const QString& sort) {
    if (Active()) {
        CheckBrowseMode();
        recordset_.setSort(sort.toStdString());
        notifyLinks(TDataLinkEvent::DataSetChanged);
    }
    lastSort_ = sort;
}

// ---- Events and linked controls ------------------------------------------------------

void TCustomQueryUDB::AddEventNotify(const void* owner, TDataSetEvent callback) {
    for (Slot& slot : eventNotify_) {
        if (!slot.callback) {
            slot = {owner, std::move(callback)};
            return;
        }
    }
    eventNotify_.push_back({owner, std::move(callback)});
}

void TCustomQueryUDB::RemoveEventNotify(const void* owner) {
    for (Slot& slot : eventNotify_) {
        if (slot.owner == owner) slot = {};
    }
}

void TCustomQueryUDB::AddDataLink(const void* owner, TDataLinkCallback callback) {
    links_.push_back({owner, std::move(callback)});
}

void TCustomQueryUDB::RemoveDataLink(const void* owner) {
    for (Link& link : links_) {
        if (link.owner == owner) link = {};
    }
}

void TCustomQueryUDB::report(TDatasetEventType event) {
    // By index: a callback may register or remove others.
    for (size_t i = 0; i < eventNotify_.size(); ++i) {
        const TDataSetEvent callback = eventNotify_[i].callback;
        if (callback) callback(*this, event);
    }
    if (OnDataSetEvent) OnDataSetEvent(*this, event);
}

void TCustomQueryUDB::notifyLinks(TDataLinkEvent event) {
    if (ControlsDisabled()) {
        changedWhileDisabled_ = true;
        return;
    }
    for (size_t i = 0; i < links_.size(); ++i) {
        const TDataLinkCallback callback = links_[i].callback;
        if (callback) callback(*this, event);
    }
}

void TCustomQueryUDB::EnableControls() {
    if (controlsDisabled_ == 0) return;
    if (--controlsDisabled_ > 0 || !changedWhileDisabled_) return;
    changedWhileDisabled_ = false;
    notifyLinks(TDataLinkEvent::DataSetChanged);
}

void TCustomQueryUDB::UpdateDatasetState() {
    notifyLinks(TDataLinkEvent::DataSetChanged);
}

void TCustomQueryUDB::ScanRecords(const std::function<void()>& visit) {
    requireOpen();
    CheckBrowseMode();
    const std::optional<jet::Bookmark> start = recordset_.bookmark();
    const bool wasEof = recordset_.isEof();
    DisableControls();
    const bool hadChange = changedWhileDisabled_;
    try {
        for (recordset_.first(); !recordset_.isEof(); recordset_.next()) visit();
    } catch (...) {
        if (start) recordset_.moveToBookmark(*start);
        changedWhileDisabled_ = hadChange;
        EnableControls();
        throw;
    }
    if (start) {
        recordset_.moveToBookmark(*start);
    } else if (!wasEof) {
        recordset_.first();  // it was before the first record
        recordset_.prior();
    }
    // The walk itself changed nothing the controls show.
    changedWhileDisabled_ = hadChange;
    EnableControls();
}
