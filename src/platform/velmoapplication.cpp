#include "platform/velmoapplication.h"

#include "platform/prompts.h"

#include <cstdio>
#include <exception>

namespace velmo {

VelmoApplication::VelmoApplication(int &argc, char **argv) : QApplication(argc, argv) {}

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
