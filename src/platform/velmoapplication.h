// The application object: an error thrown while an event is handled (a ComponentError from a
// record, a failed stream) ends that event's handling and is shown by the standard error
// display instead of ending the process.
#pragma once

#include <QApplication>

namespace velmo {

class Prompts;

class VelmoApplication : public QApplication {
    Q_OBJECT
public:
    VelmoApplication(int &argc, char **argv);

    // The display for errors that escape an event handler; without one they go to stderr.
    void setErrorPrompts(Prompts *prompts) { errorPrompts_ = prompts; }
    Prompts *errorPrompts() const { return errorPrompts_; }

    bool notify(QObject *receiver, QEvent *event) override;

private:
    Prompts *errorPrompts_ = nullptr;
};

} // namespace velmo
