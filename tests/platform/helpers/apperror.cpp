// Starts the application object with scripted prompts, lets one event handler throw a
// ComponentError and another a std::runtime_error, then checks that later events still run.
// Prints every prompt as "PROMPT <icon> <caption>|<text>", "AFTER" when the loop went on, and
// "DIALOG <the file dialog's Open button>" to show the toolkit's own texts are Japanese.
#include "platform/componenterror.h"
#include "doubles/scriptedprompts.h"
#include "platform/prompts.h"
#include "platform/velmoapplication.h"

#include <QEvent>
#include <QTimer>

#include <cstdio>
#include <stdexcept>

namespace {

class Thrower : public QObject {
public:
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::User)
            throw velmo::ComponentError("/nowhere/velmo.ini に書き込めません");
        if (e->type() == QEvent::User + 1)
            throw std::runtime_error("'12a' は整数ではありません");
        return QObject::event(e);
    }
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    velmo::VelmoApplication app(argc, argv);
    velmo::ScriptedPrompts prompts;
    app.setErrorPrompts(&prompts);
    Thrower thrower;
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::Type(QEvent::User + 1)));
    QTimer::singleShot(0, &app, [&] {
        for (const auto &r : prompts.log()) {
            std::printf("PROMPT %d %s|%s\n", int(r.icon), r.caption.toUtf8().constData(),
                        r.text.toUtf8().constData());
        }
        std::printf("AFTER\n");
        std::printf("DIALOG %s\n", QCoreApplication::translate("QFileDialog", "&Open").toUtf8().constData());
        std::fflush(stdout);
        app.quit();
    });
    return app.exec();
}
