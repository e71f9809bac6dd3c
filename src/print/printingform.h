// TPrintingForm: the window shown while a document prints. It names the file and the page
// being printed; it has no close box, and the job cannot be cancelled from it.
#pragma once

#include <QDialog>

class QLabel;
class QTimer;

namespace velmo {

class TPrintingForm : public QDialog {
    Q_OBJECT
public:
    TPrintingForm(QWidget *parent, const QString &message);

    // The print loop calls this as each page begins: the page number is painted at once,
    // since the loop does not return to the event loop between pages.
    void ShowPage(int page);

    QLabel *MessageLabel = nullptr;
    QLabel *PageTitleLabel = nullptr;
    QLabel *PageLabel = nullptr;
};

} // namespace velmo
