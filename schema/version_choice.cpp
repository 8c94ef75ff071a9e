#include "schema/version_choice.h"

#include <QComboBox>
#include <QFileInfo>
#include <QStringList>

#include "db/xdbtool_MDB.h"
#include "kit/xdlg_service.h"
#include "schema/schema_res.h"

namespace {

QComboBox* listBox(QWidget* parent, const char* name, const QStringList& items, int rows) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->addItems(items);
    box->setMaxVisibleItems(rows);
    box->setMinimumContentsLength(28);
    return box;
}

void selectText(QComboBox* box, const QString& text) {
    const int row = box->findText(text);
    if (!text.isEmpty() && row >= 0) box->setCurrentIndex(row);
}

}  // namespace

QComboBox* versionComboBox(QWidget* parent) {
    QStringList versions;
    FillDBVersions(versions);
    return listBox(parent, "cbVer", versions, 12);
}

QComboBox* collationComboBox(QWidget* parent) {
    QStringList collations;
    FillCollations(collations);
    return listBox(parent, "cbLocale", collations, 16);
}

void selectVersion(QComboBox* box, int versionKey) {
    selectText(box, DBVersionName(versionKey));
}

void selectCollation(QComboBox* box, int langId) {
    selectText(box, CollationName(langId));
}

std::optional<QString> chooseAccessFile(const QString& folder, const QString& fileName,
                                        int versionKey) {
    kit::FileRequest request;
    request.mode = kit::FileRequest::Mode::Save;
    request.folder = folder;
    request.fileName = fileName;
    request.filter = schema_res::accessFileFilter();
    request.filterIndex = versionKey <= 64 ? 1 : 2;
    QString extension = DBVersionExt(versionKey);
    if (extension.startsWith(u'.')) extension.remove(0, 1);
    request.defaultSuffix = extension;
    return kit::dialogService().chooseFile(request);
}
