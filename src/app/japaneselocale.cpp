#include "app/japaneselocale.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QLocale>
#include <QTranslator>
#include <QTreeView>

#include <cstring>

namespace velmo {

namespace {

// The file types the file dialog names without the MIME database (folders, drives,
// links), in the words of the toolkit's own Japanese catalogue.
class ToolkitTextGaps : public QTranslator {
public:
    using QTranslator::QTranslator;

    bool isEmpty() const override { return false; }

    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        if (!context || !sourceText || std::strcmp(context, "QAbstractFileIconProvider") != 0)
            return {};
        static const struct {
            const char *source, *japanese;
        } texts[] = {
            {"Folder", "フォルダ"},       {"File Folder", "フォルダ"}, {"Drive", "ドライブ"},
            {"File", "ファイル"},         {"Shortcut", "ショートカット"}, {"Alias", "エイリアス"},
            {"Unknown", "不明"},
        };
        for (const auto &t : texts) {
            if (std::strcmp(sourceText, t.source) == 0)
                return QString::fromUtf8(t.japanese);
        }
        return {};
    }
};

// The file dialog sizes its size, type and date columns for short English texts
// ("mp3Folder"); Japanese file types such as 平文テキストドキュメント are longer. Those
// columns follow their contents instead, the name column keeps the rest.
class FileDialogColumns : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Show || !qobject_cast<QFileDialog *>(watched))
            return false;
        if (auto *view = watched->findChild<QTreeView *>(QStringLiteral("treeView"))) {
            for (int column = 1; column < 4; ++column)
                view->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
        }
        return false;
    }
};

} // namespace

void UseJapaneseLocale()
{
    // The toolkit's dialogs format sizes ("bytes") and dates ("Dec") with the system's
    // locale, which it takes from the environment the first time it is asked for.
    const bool hadAll = qEnvironmentVariableIsSet("LC_ALL");
    const QByteArray all = qgetenv("LC_ALL");
    qputenv("LC_ALL", "ja_JP.UTF-8");
    (void)QLocale::system();
    if (hadAll)
        qputenv("LC_ALL", all);
    else
        qunsetenv("LC_ALL");
    // File-type names (the MIME database's comments) and everything else follow the
    // default locale.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
}

void InstallToolkitTextGaps(QCoreApplication &app)
{
    app.installTranslator(new ToolkitTextGaps(&app));
    app.installEventFilter(new FileDialogColumns(&app));
}

} // namespace velmo
