#include "kit/xdlg_service.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontDialog>

#include "kit/xdlg_form.h"
#include "kit/xdlg_progress.h"

namespace kit {

namespace {

// The service that shows the program's own windows.
class WidgetDialogService final : public DialogService {
public:
    int showMessage(const MessageRequest& request) override {
        auto form = buildMessageForm(request, TxDlgForm::defaultOwner());
        return form->showModal();
    }

    std::optional<QString> input(const InputRequest& request) override {
        auto form = buildInputForm(request, TxDlgForm::defaultOwner());
        if (form->showModal() != mrOk) return std::nullopt;
        return form->inputText();
    }

    std::optional<QString> chooseFile(const FileRequest& request) override {
        QFileDialog dialog(TxDlgForm::defaultOwner(), request.caption, request.folder,
                           qtFileFilter(request.filter));
        const bool open = request.mode == FileRequest::Mode::Open;
        dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
        dialog.setFileMode(open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        dialog.setSizeGripEnabled(true);
        const QString selected = qtFileFilterEntry(request.filter, request.filterIndex);
        if (!selected.isEmpty()) dialog.selectNameFilter(selected);
        if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
        if (!request.defaultSuffix.isEmpty()) dialog.setDefaultSuffix(request.defaultSuffix);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().constFirst();
    }

    std::optional<QFont> chooseFont(const FontRequest& request) override {
        bool ok = false;
        const QFont font = QFontDialog::getFont(&ok, request.font, TxDlgForm::defaultOwner());
        if (!ok) return std::nullopt;
        return font;
    }

    void progress(const ProgressRequest& request) override { runProgress(request); }

    void beep() override { QApplication::beep(); }
};

DialogService*& installed() {
    static DialogService* service = nullptr;
    return service;
}

QStringList filterEntries(const QString& filterPairs) {
    const QStringList parts = filterPairs.split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        QString masks = parts[i + 1].trimmed();
        masks.replace(u';', u' ');
        // Qt reads the masks from the parentheses of the entry; a description
        // that already shows them is kept as it is.
        if (description.endsWith(u')') && description.contains(u'('))
            entries << description;
        else
            entries << QStringLiteral("%1 (%2)").arg(description, masks);
    }
    return entries;
}

}  // namespace

DialogService& dialogService() {
    static WidgetDialogService widgets;
    DialogService* service = installed();
    return service ? *service : widgets;
}

ScopedDialogService::ScopedDialogService(DialogService& service) : previous_(installed()) {
    installed() = &service;
}

ScopedDialogService::~ScopedDialogService() {
    installed() = previous_;
}

QString qtFileFilter(const QString& filterPairs) {
    return filterEntries(filterPairs).join(";;");
}

QString qtFileFilterEntry(const QString& filterPairs, int index) {
    const QStringList entries = filterEntries(filterPairs);
    if (index < 1 || index > entries.size()) return {};
    return entries[index - 1];
}

}  // namespace kit
