#include "platform/velmoapplication.h"

#include "platform/prompts.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <exception>

namespace velmo {

VelmoApplication::VelmoApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    // The toolkit's own dialogs (file and folder choosers) speak Japanese like the rest.
    auto *translator = new QTranslator(this);
    if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(translator);
    else
        delete translator;
}

bool VelmoApplication::notify(QObject *receiver, QEvent *event)
{
    // The handler that threw has stopped; the event counts as not handled and the program
    // goes on with the next one, as after any error message.
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        if (errorPrompts_)
            showException(*errorPrompts_, error);
        else
            std::fprintf(stderr, "velmo: %s\n", error.what());
    }
    return false;
}

} // namespace velmo
