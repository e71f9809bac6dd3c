// Message boxes, the standard error display and the common file and folder dialogs.
// Windows and records get a Prompts handed in; tests hand in ScriptedPrompts, which answers
// from a script and logs every prompt with its exact texts.
#pragma once

#include <QString>
#include <QStringList>
#include <QPointer>
#include <QWidget>

#include <deque>
#include <exception>
#include <optional>
#include <utility>
#include <vector>

namespace velmo {

// Every message box of the program carries this caption.
inline const QString kPromptCaption = QStringLiteral("Velmo");

enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class PromptIcon { None, Stop, Question, Exclamation, Information };
enum class PromptResult { None, Ok, Cancel, Yes, No };

// Button texts as a Japanese desktop shows them.
QString promptButtonText(PromptResult button);
// The buttons of a set, left to right.
std::vector<PromptResult> promptButtonList(PromptButtons buttons);

// One file-type entry of an open or save dialog: ("テキスト (*.txt)", "*.txt").
struct FileFilter {
    QString description;
    QString pattern; // one or more patterns separated by ';', e.g. "*.c*" or "*.h;*.hpp"
    bool operator==(const FileFilter &) const = default;
};

struct FileDialogOptions {
    QString title;                  // empty: the desktop's own title
    std::vector<FileFilter> filters;
    int filterIndex = 1;            // 1-based, as the filters are numbered to the user
    QString defaultExtension;       // without the dot; empty: no extension is added
    QString initialFolder;          // empty: the process's current folder
    QString fileName;               // preselected name (full path or bare name)
    bool allowMultiple = false;     // open only
    bool fileMustExist = false;     // open only
    bool pathMustExist = false;
    bool overwritePrompt = false;   // save only
};

struct FileDialogResult {
    bool accepted = false;
    QStringList files;              // full paths; one entry unless allowMultiple
    int filterIndex = 1;            // the filter the user left selected (1-based)
};

class Prompts {
public:
    virtual ~Prompts() = default;

    // A message box captioned kPromptCaption. defaultButton picks the button Enter presses
    // (None: the first). Closing the box without a choice answers Cancel where the set has
    // it, else No, else Ok.
    virtual PromptResult messageBox(const QString &text, PromptButtons buttons, PromptIcon icon,
                                    PromptResult defaultButton) = 0;
    PromptResult message(const QString &text, PromptButtons buttons = PromptButtons::Ok,
                         PromptIcon icon = PromptIcon::None,
                         PromptResult defaultButton = PromptResult::None)
    {
        return messageBox(text, buttons, icon, defaultButton);
    }

    // The application's standard error display: the message as it stands, stop icon, OK.
    virtual void showError(const QString &message) = 0;

    virtual FileDialogResult openFileDialog(const FileDialogOptions &options) = 0;
    virtual FileDialogResult saveFileDialog(const FileDialogOptions &options) = 0;
    // Returns the chosen folder, or nothing when cancelled.
    virtual std::optional<QString> folderDialog(const QString &title, const QString &initialFolder) = 0;

    // The window boxes and dialogs are centred over and modal to; none: the screen.
    void setOwner(QWidget *owner) { owner_ = owner; }
    QWidget *owner() const { return owner_; }

private:
    QPointer<QWidget> owner_;
};

// Shows an exception through the standard error display: ComponentError and other
// std::exception messages as they stand (UTF-8).
void showException(Prompts &prompts, const std::exception &error);

// The real prompts: Qt message boxes and dialogs, modal to the owner window when one is set.
class QtPrompts : public Prompts {
public:
    explicit QtPrompts(QWidget *owner = nullptr) { setOwner(owner); }

    PromptResult messageBox(const QString &text, PromptButtons buttons, PromptIcon icon,
                            PromptResult defaultButton) override;
    void showError(const QString &message) override;
    FileDialogResult openFileDialog(const FileDialogOptions &options) override;
    FileDialogResult saveFileDialog(const FileDialogOptions &options) override;
    std::optional<QString> folderDialog(const QString &title, const QString &initialFolder) override;
};

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
