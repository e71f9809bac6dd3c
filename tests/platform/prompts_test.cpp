// Message boxes and dialogs: the scripted double that window tests use, and the real Qt
// boxes it stands in for (answered by clicking their buttons on the offscreen platform).
#include "doubles/scriptedprompts.h"
#include "platform/prompts.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace velmo;

namespace {

const QString kWindowLimit = QStringLiteral(
    "Velmoウインドウ数が30を越えます。\nシステムが不安定になる可能性があります。\nウインドウ数を30に制限しますか？");

TEST(ScriptedPrompts, AnswersFromTheScriptAndLogsExactTexts)
{
    ScriptedPrompts prompts;
    prompts.answer(PromptResult::No);
    prompts.answer(PromptResult::Yes);

    EXPECT_EQ(prompts.message(kWindowLimit, PromptButtons::YesNoCancel, PromptIcon::Exclamation), PromptResult::No);
    // A Yes is queued but an OK box cannot take it: the box is dismissed, the Yes stays.
    EXPECT_EQ(prompts.message(QStringLiteral("注意"), PromptButtons::Ok, PromptIcon::Information), PromptResult::Ok);
    EXPECT_EQ(prompts.message(QStringLiteral("保存しますか？"), PromptButtons::YesNo, PromptIcon::Question),
              PromptResult::Yes);
    // Nothing left: a box is answered as if closed.
    EXPECT_EQ(prompts.message(QStringLiteral("q"), PromptButtons::YesNoCancel, PromptIcon::Question),
              PromptResult::Cancel);
    EXPECT_EQ(prompts.message(QStringLiteral("q"), PromptButtons::YesNo, PromptIcon::Question), PromptResult::No);
    prompts.showError(QStringLiteral("/opt/velmo/velmo.ini に書き込めません"));

    const auto &log = prompts.log();
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log[0].caption, QStringLiteral("Velmo"));
    EXPECT_EQ(log[0].text, kWindowLimit);
    EXPECT_EQ(log[0].buttons, PromptButtons::YesNoCancel);
    EXPECT_EQ(log[0].icon, PromptIcon::Exclamation);
    EXPECT_TRUE(log[0].scripted);
    EXPECT_FALSE(log[1].scripted);
    EXPECT_TRUE(log[2].scripted);
    EXPECT_EQ(prompts.unscripted(), 3);
    EXPECT_EQ(log[5].kind, ScriptedPrompts::Kind::Error);
    EXPECT_EQ(log[5].icon, PromptIcon::Stop);
    EXPECT_EQ(log[5].caption, QStringLiteral("Velmo"));
    EXPECT_EQ(log[5].text, QStringLiteral("/opt/velmo/velmo.ini に書き込めません"));
    EXPECT_TRUE(prompts.scriptDone());
}

TEST(ScriptedPrompts, FileAndFolderDialogsTakeTheirOwnQueues)
{
    ScriptedPrompts prompts;
    prompts.chooseFiles({QStringLiteral("/d/a.txt"), QStringLiteral("/d/b.rtf")}, 2);
    prompts.chooseFolder(QStringLiteral("/data"));
    prompts.answer(PromptResult::Yes); // must not be eaten by a dialog

    FileDialogOptions open;
    open.title = QStringLiteral("ファイルを開く");
    open.filters = {{QStringLiteral("テキスト (*.txt)"), QStringLiteral("*.txt")},
                    {QStringLiteral("リッチテキスト(*.rtf)"), QStringLiteral("*.rtf")}};
    open.allowMultiple = true;
    const FileDialogResult r = prompts.openFileDialog(open);
    EXPECT_TRUE(r.accepted);
    EXPECT_EQ(r.files, (QStringList{"/d/a.txt", "/d/b.rtf"}));
    EXPECT_EQ(r.filterIndex, 2);
    EXPECT_FALSE(prompts.saveFileDialog(FileDialogOptions{}).accepted); // nothing queued: cancelled
    EXPECT_EQ(prompts.folderDialog(QString(), QStringLiteral("/home")), std::optional<QString>(QStringLiteral("/data")));
    EXPECT_EQ(prompts.message(QStringLiteral("x"), PromptButtons::YesNo), PromptResult::Yes);

    const auto &log = prompts.log();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0].kind, ScriptedPrompts::Kind::OpenFile);
    EXPECT_EQ(log[0].text, QStringLiteral("ファイルを開く"));
    EXPECT_EQ(log[0].dialog.filters, open.filters);
    EXPECT_TRUE(log[0].dialog.allowMultiple);
    EXPECT_EQ(log[1].kind, ScriptedPrompts::Kind::SaveFile);
    EXPECT_FALSE(log[1].scripted);
    EXPECT_EQ(log[2].initialFolder, QStringLiteral("/home"));
    EXPECT_EQ(prompts.messages().size(), 1u);
}

// Runs `act` on the first modal window as soon as it shows.
void whenModal(std::function<void(QWidget *)> act)
{
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [act, poll] {
        if (QWidget *w = QApplication::activeModalWidget())
            act(w);
        else
            QTimer::singleShot(10, *poll);
    };
    QTimer::singleShot(0, *poll);
}

struct SeenBox {
    QString title, text;
    QStringList buttons;
    QString defaultButton;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

TEST(QtPrompts, MessageBoxesShowJapaneseButtonsAndReturnTheChoice)
{
    struct Case {
        PromptButtons buttons;
        PromptIcon icon;
        QMessageBox::Icon qtIcon;
        QStringList texts;
        QString click; // empty: closed without a choice
        PromptResult expected;
    } cases[] = {
        {PromptButtons::Ok, PromptIcon::Stop, QMessageBox::Critical, {"OK"}, "OK", PromptResult::Ok},
        {PromptButtons::YesNo, PromptIcon::Question, QMessageBox::Question, {"はい(&Y)", "いいえ(&N)"}, "いいえ(&N)", PromptResult::No},
        {PromptButtons::YesNoCancel, PromptIcon::Exclamation, QMessageBox::Warning, {"はい(&Y)", "いいえ(&N)", "キャンセル"}, "はい(&Y)", PromptResult::Yes},
        {PromptButtons::YesNoCancel, PromptIcon::Question, QMessageBox::Question, {"はい(&Y)", "いいえ(&N)", "キャンセル"}, QString(), PromptResult::Cancel},
        {PromptButtons::OkCancel, PromptIcon::Information, QMessageBox::Information, {"OK", "キャンセル"}, "キャンセル", PromptResult::Cancel},
    };
    QtPrompts prompts;
    for (const Case &c : cases) {
        auto seen = std::make_shared<SeenBox>();
        const QString click = c.click;
        whenModal([seen, click](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box) {
                w->close();
                return;
            }
            seen->title = box->windowTitle();
            seen->text = box->text();
            seen->icon = box->icon();
            if (box->defaultButton())
                seen->defaultButton = box->defaultButton()->text();
            for (QAbstractButton *b : box->buttons())
                seen->buttons << b->text();
            if (click.isEmpty()) {
                box->reject();
                return;
            }
            for (QAbstractButton *b : box->buttons()) {
                if (b->text() == click) {
                    b->click();
                    return;
                }
            }
        });
        EXPECT_EQ(prompts.message(kWindowLimit, c.buttons, c.icon), c.expected) << qPrintable(c.texts.join(','));
        EXPECT_EQ(seen->title, QStringLiteral("Velmo"));
        EXPECT_EQ(seen->text, kWindowLimit);
        EXPECT_EQ(seen->icon, c.qtIcon);
        QStringList sortedSeen = seen->buttons, sortedWanted = c.texts;
        sortedSeen.sort();
        sortedWanted.sort();
        EXPECT_EQ(sortedSeen, sortedWanted);
        EXPECT_EQ(seen->defaultButton, c.texts.front());
    }

    // The default button can be another than the first; the error display is a stop box.
    auto seen = std::make_shared<SeenBox>();
    whenModal([seen](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        seen->defaultButton = box->defaultButton()->text();
        box->defaultButton()->click();
    });
    EXPECT_EQ(prompts.message(QStringLiteral("q"), PromptButtons::YesNo, PromptIcon::Question, PromptResult::No),
              PromptResult::No);
    EXPECT_EQ(seen->defaultButton, QStringLiteral("いいえ(&N)"));

    whenModal([seen](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->icon = box->icon();
        box->buttons().front()->click();
    });
    prompts.showError(QStringLiteral("'12a' は整数ではありません"));
    EXPECT_EQ(seen->title, QStringLiteral("Velmo"));
    EXPECT_EQ(seen->text, QStringLiteral("'12a' は整数ではありません"));
    EXPECT_EQ(seen->icon, QMessageBox::Critical);
}

TEST(QtPrompts, SaveDialogKeepsFiltersAddsTheDefaultExtensionAndReportsTheFilter)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    FileDialogOptions o;
    o.title = QStringLiteral("保存");
    o.filters = {{QStringLiteral("テキスト (*.txt)"), QStringLiteral("*.txt")},
                 {QStringLiteral("リッチテキスト(*.rtf)"), QStringLiteral("*.rtf")},
                 {QStringLiteral("全てのファイル(*.*)"), QStringLiteral("*.*")}};
    o.filterIndex = 2;
    o.defaultExtension = QStringLiteral("rtf");
    o.initialFolder = dir.path();
    o.overwritePrompt = true;

    auto seen = std::make_shared<std::pair<QString, QStringList>>();
    auto overwrite = std::make_shared<bool>(false);
    whenModal([seen, overwrite](QWidget *w) {
        auto *dialog = qobject_cast<QFileDialog *>(w);
        ASSERT_NE(dialog, nullptr);
        seen->first = dialog->windowTitle();
        seen->second = dialog->nameFilters();
        *overwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
        dialog->selectFile(QStringLiteral("メモ"));
        static_cast<QDialog *>(dialog)->accept(); // as the dialog's own Save button does
    });
    QtPrompts prompts;
    const FileDialogResult r = prompts.saveFileDialog(o);
    EXPECT_EQ(seen->first, QStringLiteral("保存"));
    ASSERT_EQ(seen->second.size(), 3);
    EXPECT_TRUE(seen->second[1].startsWith(QStringLiteral("リッチテキスト(*.rtf)")));
    EXPECT_TRUE(*overwrite);
    ASSERT_TRUE(r.accepted);
    EXPECT_EQ(r.files, QStringList{QDir(dir.path()).filePath(QStringLiteral("メモ.rtf"))});
    EXPECT_EQ(r.filterIndex, 2);
}

TEST(QtPrompts, OpenDialogMatchesPatternsWithoutRegardToCase)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char *name : {"UPPER.TXT", "lower.txt", "other.rtf"}) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    FileDialogOptions o;
    o.filters = {{QStringLiteral("テキスト (*.txt)"), QStringLiteral("*.txt")}};
    o.initialFolder = dir.path();
    o.fileMustExist = true;
    auto matched = std::make_shared<QStringList>();
    whenModal([matched, path = dir.path()](QWidget *w) {
        auto *dialog = qobject_cast<QFileDialog *>(w);
        ASSERT_NE(dialog, nullptr);
        const QString filter = dialog->selectedNameFilter();
        const QString patterns = filter.mid(filter.lastIndexOf(QLatin1Char('(')) + 1).chopped(1);
        *matched = QDir(path).entryList(patterns.split(QLatin1Char(' ')), QDir::Files, QDir::Name);
        dialog->reject();
    });
    QtPrompts prompts;
    EXPECT_FALSE(prompts.openFileDialog(o).accepted);
    EXPECT_EQ(*matched, (QStringList{"UPPER.TXT", "lower.txt"}));
}

TEST(VelmoApplication, ShowsErrorsThrownInEventHandlersAndSpeaksJapanese)
{
    QProcess p;
    p.start(QStringLiteral(VELMO_BUILD_DIR "/tests/velmo_apperror"), {});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    const QString stop = QString::number(int(PromptIcon::Stop));
    EXPECT_EQ(out, QStringLiteral("PROMPT %1 Velmo|/nowhere/velmo.ini に書き込めません\n"
                                  "PROMPT %1 Velmo|'12a' は整数ではありません\n"
                                  "AFTER\n"
                                  "DIALOG 開く(&O)\n")
                       .arg(stop));
}

} // namespace
