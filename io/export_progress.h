// Progress of an export run: the stages a progress handler hears and the
// percentage of the records written, reported every 100 records.
#pragma once

#include <QString>
#include <functional>

enum TProgressStage { psStarting, psRunning, psEnding };

// `abort` set by the handler stops the export; nothing is saved then.
using TProgressEvent =
    std::function<void(TProgressStage stage, int percentDone, const QString& message, bool& abort)>;

// "Exporting" joined with " of data...".
QString exportingMessage();

// recIdx * 100 / recCount rounded to the nearest integer, halves to even; 0
// without records.
int progressPercent(size_t recIdx, size_t recCount);

class ExportProgress {
public:
    ExportProgress(const TProgressEvent& handler, size_t recCount)
        : handler_(handler), recCount_(recCount) {}
    void start();
    // Reports every 100th record; false when the handler asked to abort.
    bool step(size_t recIdx);
    void end();

private:
    const TProgressEvent& handler_;
    size_t recCount_;
};
