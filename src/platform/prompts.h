// Message boxes, the standard error display and the common file and folder dialogs.
// Windows and records get a Prompts handed in, so that a test can answer them from a script.
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
// What a box answers when it is closed without a button: the choice that gives up
// (Cancel where the set has it, else No, else OK).
PromptResult promptDismissAnswer(PromptButtons buttons);

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

} // namespace velmo
