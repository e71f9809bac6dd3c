// The toolkit's standard dialogs speak Japanese on a system whose locale is C: sizes, dates
// and file types in the file dialog, and no English words left in the file, colour and font
// dialogs.
#include "app/japaneselocale.h"
#include "platform/prompts.h"
#include "platform/velmoapplication.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

QString u8(const char *text) { return QString::fromUtf8(text); }

// Words of three or more Latin letters in the visible labels and buttons of a dialog,
// leaving out the few that are Japanese usage too.
QStringList englishWords(const QDialog &dialog)
{
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{3,}"));
    static const QStringList allowed = {QStringLiteral("HTML"), QStringLiteral("AaBbYyZz")};
    QStringList texts;
    for (const QLabel *label : dialog.findChildren<QLabel *>())
        if (label->isVisible())
            texts << label->text();
    for (const QAbstractButton *button : dialog.findChildren<QAbstractButton *>())
        if (button->isVisible())
            texts << button->text();
    for (const QGroupBox *box : dialog.findChildren<QGroupBox *>())
        if (box->isVisible())
            texts << box->title();
    QStringList found;
    for (const QString &text : texts) {
        for (auto it = word.globalMatch(text); it.hasNext();) {
            const QString w = it.next().captured();
            if (!allowed.contains(w))
                found << text;
        }
    }
    return found;
}

TEST(JapaneseLocale, StandardDialogsSpeakJapaneseOnACLocaleSystem)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("LC_ALL", "C");
    qputenv("LANG", "C");
    velmo::UseJapaneseLocale();
    // The user's environment stays as it was for the programs Velmo starts.
    EXPECT_EQ(qgetenv("LC_ALL"), "C");
    int argc = 1;
    char name[] = "velmo";
    char *argv[] = {name, nullptr};
    velmo::VelmoApplication app(argc, argv);
    velmo::InstallToolkitTextGaps(app);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    QFile file(dir.filePath(QStringLiteral("a.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("hello");
    file.close();

    QFileDialog dialog(nullptr, QString(), dir.path());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setViewMode(QFileDialog::Detail);
    auto *model = dialog.findChild<QFileSystemModel *>();
    ASSERT_TRUE(model);
    dialog.show();
    QEventLoop loop;
    QObject::connect(model, &QFileSystemModel::directoryLoaded, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    if (model->rowCount(model->index(dir.path())) < 2)
        loop.exec();
    const QModelIndex folder = model->index(dir.filePath(QStringLiteral("sub")));
    const QModelIndex text = model->index(dir.filePath(QStringLiteral("a.txt")));
    ASSERT_TRUE(folder.isValid() && text.isValid());
    const auto column = [&](const QModelIndex &row, int c) { return row.siblingAtColumn(c).data().toString(); };
    EXPECT_EQ(column(text, 1), u8("5 バイト"));
    EXPECT_EQ(column(text, 2), u8("平文テキストドキュメント")); // the MIME database's own Japanese
    EXPECT_EQ(column(folder, 2), u8("フォルダ"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}/\\d{2}/\\d{2} \\d{1,2}:\\d{2}$"))
                    .match(column(text, 3))
                    .hasMatch())
        << column(text, 3).toStdString();

    // The detail view's columns are wide enough for their texts.
    auto *view = dialog.findChild<QTreeView *>(QStringLiteral("treeView"));
    ASSERT_TRUE(view);
    const auto needed = [&](int c) {
        return std::max(view->fontMetrics().horizontalAdvance(column(text, c)),
                        view->fontMetrics().horizontalAdvance(column(folder, c)));
    };
    const auto fits = [&] {
        for (int c = 1; c < 4; ++c)
            if (view->header()->sectionSize(c) < needed(c))
                return false;
        return true;
    };
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (fits())
            loop.quit();
    });
    poll.start(10);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    if (!fits())
        loop.exec();
    for (int c = 1; c < 4; ++c)
        EXPECT_GE(view->header()->sectionSize(c), needed(c)) << c;
    EXPECT_EQ(englishWords(dialog), QStringList());

    QColorDialog colours;
    colours.setOption(QColorDialog::DontUseNativeDialog);
    colours.show();
    EXPECT_EQ(englishWords(colours), QStringList());

    QFontDialog fonts;
    fonts.setOption(QFontDialog::DontUseNativeDialog);
    fonts.show();
    EXPECT_EQ(englishWords(fonts), QStringList());

    // Opened as the program opens it, the file dialog shows those columns side by side and the
    // names of its places whole, without scrolling sideways.
    int ticks = 0, columns = 0, visible = 0, places = 0, placesVisible = 0;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        auto *opened = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!opened)
            return;
        opened->setViewMode(QFileDialog::Detail);
        auto *tree = opened->findChild<QTreeView *>(QStringLiteral("treeView"));
        auto *sidebar = opened->findChild<QAbstractItemView *>(QStringLiteral("sidebar"));
        if (!tree || !sidebar)
            return opened->reject();
        const bool loaded = tree->model()->rowCount(tree->rootIndex()) >= 2;
        if (!loaded && ++ticks < 500)
            return;
        view = tree;
        if (!fits() && ++ticks < 500)
            return; // the columns follow their contents a moment after the folder is read
        columns = 0;
        for (int c = 0; c < tree->header()->count(); ++c)
            if (!tree->header()->isSectionHidden(c))
                columns += tree->header()->sectionSize(c);
        visible = tree->viewport()->width();
        places = sidebar->sizeHintForColumn(0);
        placesVisible = sidebar->viewport()->width();
        opened->reject();
    });
    look.start(10);
    velmo::QtPrompts prompts;
    velmo::FileDialogOptions options;
    options.initialFolder = dir.path();
    EXPECT_FALSE(prompts.openFileDialog(options).accepted);
    EXPECT_GT(visible, 0);
    EXPECT_LE(columns, visible);
    EXPECT_LE(places, placesVisible);
}

} // namespace
