// Prompts answered from a script, every prompt logged with its exact texts.
#pragma once

#include "platform/prompts.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <deque>
#include <optional>
#include <utility>
#include <vector>

namespace velmo {

// Test double: answers prompts from a queue and logs each prompt.
class ScriptedPrompts : public Prompts {
public:
    enum class Kind { Message, Error, OpenFile, SaveFile, Folder };

    struct Record {
        Kind kind = Kind::Message;
        QString caption;            // kPromptCaption for message boxes and errors
        QString text;               // message text, or the dialog title
        PromptButtons buttons = PromptButtons::Ok;
        PromptIcon icon = PromptIcon::None;
        PromptResult defaultButton = PromptResult::None;
        FileDialogOptions dialog;   // open and save dialogs
        QString initialFolder;      // folder dialog
        PromptResult answer = PromptResult::None; // what the double answered
        bool scripted = true;       // false: the script had no fitting answer
        QWidget *owner = nullptr;   // the owner window when the prompt came
        bool ownerOnScreen = false; // whether that window was shown on the screen then
    };

    // Message boxes take the next queued button. When the queue is empty or its next button
    // is not in the box's set (it stays queued), the box answers as if closed (Cancel, else
    // No, else OK) and its record is marked unscripted.
    void answer(PromptResult button) { buttons_.push_back(button); }
    // Open/save dialogs take the next queued file choice; an empty queue cancels.
    void chooseFiles(QStringList files, int filterIndex = 1)
    {
        files_.push_back(FileDialogResult{true, std::move(files), filterIndex});
    }
    void cancelFileDialog() { files_.push_back(FileDialogResult{}); }
    void chooseFolder(std::optional<QString> folder) { folders_.push_back(std::move(folder)); }

    const std::vector<Record> &log() const { return log_; }
    std::vector<Record> messages() const; // message boxes and errors only, in order
    int unscripted() const;
    bool scriptDone() const { return buttons_.empty() && files_.empty() && folders_.empty(); }
    void clear();

    PromptResult messageBox(const QString &text, PromptButtons buttons, PromptIcon icon,
                            PromptResult defaultButton) override;
    void showError(const QString &message) override;
    FileDialogResult openFileDialog(const FileDialogOptions &options) override;
    FileDialogResult saveFileDialog(const FileDialogOptions &options) override;
    std::optional<QString> folderDialog(const QString &title, const QString &initialFolder) override;

private:
    FileDialogResult nextFiles(Kind kind, const FileDialogOptions &options);
    void logPrompt(Record r);

    std::deque<PromptResult> buttons_;
    std::deque<FileDialogResult> files_;
    std::deque<std::optional<QString>> folders_;
    std::vector<Record> log_;
};

} // namespace velmo
