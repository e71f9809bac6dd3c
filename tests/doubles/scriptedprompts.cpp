#include "doubles/scriptedprompts.h"

#include <QWindow>

#include <algorithm>

namespace velmo {

namespace {

bool inSet(PromptButtons buttons, PromptResult r)
{
    const auto list = promptButtonList(buttons);
    return std::find(list.begin(), list.end(), r) != list.end();
}

} // namespace

// ---- ScriptedPrompts

PromptResult ScriptedPrompts::messageBox(const QString &text, PromptButtons buttons, PromptIcon icon,
                                         PromptResult defaultButton)
{
    Record r;
    r.kind = Kind::Message;
    r.caption = kPromptCaption;
    r.text = text;
    r.buttons = buttons;
    r.icon = icon;
    r.defaultButton = defaultButton;
    if (!buttons_.empty() && inSet(buttons, buttons_.front())) {
        r.answer = buttons_.front();
    } else {
        // Leave a mismatching answer queued: it was meant for a later box.
        r.answer = promptDismissAnswer(buttons);
        r.scripted = false;
    }
    if (r.scripted)
        buttons_.pop_front();
    logPrompt(std::move(r));
    return r.answer;
}

void ScriptedPrompts::showError(const QString &message)
{
    Record r;
    r.kind = Kind::Error;
    r.caption = kPromptCaption;
    r.text = message;
    r.buttons = PromptButtons::Ok;
    r.icon = PromptIcon::Stop;
    r.answer = PromptResult::Ok;
    logPrompt(std::move(r));
}

FileDialogResult ScriptedPrompts::nextFiles(Kind kind, const FileDialogOptions &options)
{
    Record r;
    r.kind = kind;
    r.text = options.title;
    r.dialog = options;
    FileDialogResult result;
    result.filterIndex = options.filterIndex;
    if (files_.empty()) {
        r.scripted = false;
    } else {
        result = files_.front();
        files_.pop_front();
    }
    r.answer = result.accepted ? PromptResult::Ok : PromptResult::Cancel;
    logPrompt(std::move(r));
    return result;
}

FileDialogResult ScriptedPrompts::openFileDialog(const FileDialogOptions &options)
{
    return nextFiles(Kind::OpenFile, options);
}

FileDialogResult ScriptedPrompts::saveFileDialog(const FileDialogOptions &options)
{
    return nextFiles(Kind::SaveFile, options);
}

std::optional<QString> ScriptedPrompts::folderDialog(const QString &title, const QString &initialFolder)
{
    Record r;
    r.kind = Kind::Folder;
    r.text = title;
    r.initialFolder = initialFolder;
    std::optional<QString> result;
    if (folders_.empty()) {
        r.scripted = false;
    } else {
        result = folders_.front();
        folders_.pop_front();
    }
    r.answer = result ? PromptResult::Ok : PromptResult::Cancel;
    logPrompt(std::move(r));
    return result;
}

void ScriptedPrompts::logPrompt(Record r)
{
    r.owner = owner();
    // Shown on the screen, not only flagged visible: the desktop has the window.
    r.ownerOnScreen = r.owner && r.owner->windowHandle() && r.owner->windowHandle()->isVisible();
    log_.push_back(std::move(r));
}

std::vector<ScriptedPrompts::Record> ScriptedPrompts::messages() const
{
    std::vector<Record> out;
    for (const Record &r : log_) {
        if (r.kind == Kind::Message || r.kind == Kind::Error)
            out.push_back(r);
    }
    return out;
}

int ScriptedPrompts::unscripted() const
{
    return int(std::count_if(log_.begin(), log_.end(), [](const Record &r) { return !r.scripted; }));
}

void ScriptedPrompts::clear()
{
    buttons_.clear();
    files_.clear();
    folders_.clear();
    log_.clear();
}

} // namespace velmo
