#include "platform/prompts.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QScreen>
#include <QSplitter>
#include <QAbstractItemView>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QWindow>

#include <algorithm>

namespace velmo {

QString promptButtonText(PromptResult button)
{
    switch (button) {
    case PromptResult::Ok: return QStringLiteral("OK");
    case PromptResult::Cancel: return QStringLiteral("キャンセル");
    case PromptResult::Yes: return QStringLiteral("はい(&Y)");
    case PromptResult::No: return QStringLiteral("いいえ(&N)");
    case PromptResult::None: break;
    }
    return QString();
}

std::vector<PromptResult> promptButtonList(PromptButtons buttons)
{
    switch (buttons) {
    case PromptButtons::Ok: return {PromptResult::Ok};
    case PromptButtons::OkCancel: return {PromptResult::Ok, PromptResult::Cancel};
    case PromptButtons::YesNo: return {PromptResult::Yes, PromptResult::No};
    case PromptButtons::YesNoCancel: return {PromptResult::Yes, PromptResult::No, PromptResult::Cancel};
    }
    return {PromptResult::Ok};
}

PromptResult promptDismissAnswer(PromptButtons buttons)
{
    const auto list = promptButtonList(buttons);
    for (PromptResult r : {PromptResult::Cancel, PromptResult::No, PromptResult::Ok}) {
        if (std::find(list.begin(), list.end(), r) != list.end())
            return r;
    }
    return PromptResult::Ok;
}

namespace {

bool inSet(PromptButtons buttons, PromptResult r)
{
    const auto list = promptButtonList(buttons);
    return std::find(list.begin(), list.end(), r) != list.end();
}

QMessageBox::Icon qtIcon(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Stop: return QMessageBox::Critical;
    case PromptIcon::Question: return QMessageBox::Question;
    case PromptIcon::Exclamation: return QMessageBox::Warning;
    case PromptIcon::Information: return QMessageBox::Information;
    case PromptIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::ButtonRole qtRole(PromptResult r)
{
    switch (r) {
    case PromptResult::Yes: return QMessageBox::YesRole;
    case PromptResult::No: return QMessageBox::NoRole;
    case PromptResult::Cancel: return QMessageBox::RejectRole;
    default: return QMessageBox::AcceptRole;
    }
}

// Windows matches file patterns without regard to case; so do we: "*.txt" -> "*.[tT][xX][tT]".
QString caseFreePattern(const QString &pattern)
{
    QString out;
    for (QChar c : pattern) {
        if (c.isLetter() && c.toLower() != c.toUpper())
            out += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
        else
            out += c;
    }
    return out;
}

// Qt reads a filter's patterns from its last parentheses; the description keeps its own
// "(*.txt)" for the user, the hidden part carries the patterns Qt matches with.
QStringList qtFilters(const std::vector<FileFilter> &filters)
{
    QStringList out;
    for (const FileFilter &f : filters) {
        QStringList patterns;
        for (const QString &p : f.pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts))
            patterns << caseFreePattern(p.trimmed());
        out << f.description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return out;
}

FileDialogResult runFileDialog(QWidget *owner, const FileDialogOptions &o, bool save)
{
    QFileDialog dialog(owner, o.title, o.initialFolder);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (save)
        dialog.setFileMode(QFileDialog::AnyFile);
    else if (o.allowMultiple)
        dialog.setFileMode(QFileDialog::ExistingFiles);
    else
        dialog.setFileMode(o.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !(save && o.overwritePrompt));
    dialog.setDefaultSuffix(o.defaultExtension);
    const QStringList filters = qtFilters(o.filters);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = std::clamp(o.filterIndex, 1, int(filters.size()));
        dialog.selectNameFilter(filters.at(index - 1));
    }
    if (!o.fileName.isEmpty())
        dialog.selectFile(o.fileName);
    // Wide enough for the name, size, type and date columns side by side (Japanese type names
    // and dates are wider than the toolkit's default size allows for), but never past the screen.
    QSize size = dialog.sizeHint().expandedTo(QSize(860, 500));
    if (const QScreen *screen = (owner ? owner->screen() : dialog.screen()))
        size = size.boundedTo(screen->availableSize());
    dialog.resize(size);
    // The places list keeps its names whole ("コンピュータ" is cut at the default width).
    auto *splitter = dialog.findChild<QSplitter *>(QStringLiteral("splitter"));
    auto *places = dialog.findChild<QAbstractItemView *>(QStringLiteral("sidebar"));
    if (splitter && places && splitter->count() == 2) {
        const int wanted = places->sizeHintForColumn(0) + 2 * places->frameWidth() + 16;
        if (wanted > 0 && wanted < size.width() / 3)
            splitter->setSizes({wanted, size.width() - wanted});
    }

    FileDialogResult result;
    result.filterIndex = o.filterIndex;
    if (dialog.exec() != QDialog::Accepted)
        return result;
    result.accepted = true;
    result.files = dialog.selectedFiles();
    const qsizetype chosen = filters.indexOf(dialog.selectedNameFilter());
    if (chosen >= 0)
        result.filterIndex = int(chosen) + 1;
    if (result.files.isEmpty())
        result.accepted = false;
    return result;
}

} // namespace

void showException(Prompts &prompts, const std::exception &error)
{
    prompts.showError(QString::fromUtf8(error.what()));
}

// ---- QtPrompts

PromptResult QtPrompts::messageBox(const QString &text, PromptButtons buttons, PromptIcon icon,
                                   PromptResult defaultButton)
{
    QMessageBox box(owner());
    box.setWindowTitle(kPromptCaption);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setIcon(qtIcon(icon));
    std::vector<std::pair<QAbstractButton *, PromptResult>> made;
    for (PromptResult r : promptButtonList(buttons)) {
        QAbstractButton *b = box.addButton(promptButtonText(r), qtRole(r));
        made.emplace_back(b, r);
        if (r == defaultButton)
            box.setDefaultButton(qobject_cast<QPushButton *>(b));
        if (r == PromptResult::Cancel || (buttons == PromptButtons::Ok && r == PromptResult::Ok))
            box.setEscapeButton(b);
    }
    if (defaultButton == PromptResult::None || !inSet(buttons, defaultButton))
        box.setDefaultButton(qobject_cast<QPushButton *>(made.front().first));
    box.exec();
    for (const auto &[b, r] : made) {
        if (box.clickedButton() == b)
            return r;
    }
    return promptDismissAnswer(buttons);
}

void QtPrompts::showError(const QString &message)
{
    messageBox(message, PromptButtons::Ok, PromptIcon::Stop, PromptResult::Ok);
}

FileDialogResult QtPrompts::openFileDialog(const FileDialogOptions &options)
{
    return runFileDialog(owner(), options, false);
}

FileDialogResult QtPrompts::saveFileDialog(const FileDialogOptions &options)
{
    return runFileDialog(owner(), options, true);
}

std::optional<QString> QtPrompts::folderDialog(const QString &title, const QString &initialFolder)
{
    // No folder creation from here: the dialog picks an existing folder.
    const QString folder = QFileDialog::getExistingDirectory(
        owner(), title, initialFolder,
        QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog | QFileDialog::ReadOnly);
    if (folder.isEmpty())
        return std::nullopt;
    return folder;
}

} // namespace velmo
