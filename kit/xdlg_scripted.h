// A dialog service for tests: every question, message, input, password,
// file and font choice and progress update is recorded, and answers come from queues
// the test fills beforehand. A dialog with no queued answer throws
// std::logic_error naming the dialog, so an unexpected question fails the
// test instead of blocking it.
//
//     kit::ScriptedDialogService dialogs;
//     kit::ScopedDialogService use(dialogs);
//     dialogs.answerMessage(mrNo);
//     ... code under test ...
//     EXPECT_EQ(dialogs.transcript(), QStringList{"Question [&Yes|&No|&Cancel]: ..."});
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

#include "kit/xdlg_service.h"

namespace kit {

struct AskedDialog {
    enum class Kind { Message, Input, File, Font, Progress };
    Kind kind = Kind::Message;
    MessageRequest message;    // Kind::Message
    InputRequest input;        // Kind::Input
    FileRequest file;          // Kind::File
    FontRequest font;          // Kind::Font
    ProgressRequest progress;  // Kind::Progress

    // The caption the window would show and the texts of its labels.
    QString caption() const;
    QStringList texts() const;
    // One line: "<caption> [<buttons>]: <texts>" for messages, "<caption>
    // input '<value>' <masked>: <prompt>" for inputs, "Open file <filter>"
    // for file choices, "Font <family> <points>" for font choices (the font
    // the dialog starts with), "Progress <percent>: <text>" for progress updates.
    QString summary() const;
};

class ScriptedDialogService final : public DialogService {
public:
    // Answers, used in order by dialogs of their kind.
    void answerMessage(int modalResult) { messages_.push_back(modalResult); }
    void answerInput(std::optional<QString> text) { inputs_.push_back(std::move(text)); }
    void answerFile(std::optional<QString> path) { files_.push_back(std::move(path)); }
    void answerFont(std::optional<QFont> font) { fonts_.push_back(std::move(font)); }

    const std::vector<AskedDialog>& asked() const { return asked_; }
    // summary() of every recorded dialog, in order.
    QStringList transcript() const;
    int beeps() const { return beeps_; }
    bool allAnswersUsed() const {
        return messages_.empty() && inputs_.empty() && files_.empty() && fonts_.empty();
    }
    // Clicks "Abort" on the progress window the last update showed.
    void clickProgressAbort();

    int showMessage(const MessageRequest& request) override;
    std::optional<QString> input(const InputRequest& request) override;
    std::optional<QString> chooseFile(const FileRequest& request) override;
    std::optional<QFont> chooseFont(const FontRequest& request) override;
    void progress(const ProgressRequest& request) override;
    void beep() override { ++beeps_; }

private:
    std::vector<AskedDialog> asked_;
    std::deque<int> messages_;
    std::deque<std::optional<QString>> inputs_;
    std::deque<std::optional<QString>> files_;
    std::deque<std::optional<QFont>> fonts_;
    ProgressRequest lastProgress_;
    int beeps_ = 0;
};

}  // namespace kit
