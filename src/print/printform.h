// TPrintForm: the print dialog. It names the current printer (as it was when the dialog
// opened), offers the printer-setup dialog and the page-setup page, and asks for the
// number of copies (1 to 100, 1 each time it opens).
#pragma once

#include <QDialog>

#include <functional>

class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace velmo {

class TPrintForm : public QDialog {
    Q_OBJECT
public:
    // The result of the page-setup button: the caller shows that page, then this dialog again.
    static constexpr int PageSetupResult = 102;

    // printerSetup runs the printer-setup dialog; without pageSetup the page-setup button is
    // disabled.
    TPrintForm(QWidget *parent, const QString &printerName, std::function<void()> printerSetup,
               bool pageSetup);

    // The spin position OK took, 1 before that.
    int Copies() const { return copies_; }

    void PrinterSetupButtonClick();
    void PageSetupButtonClick();
    void OKButtonClick();

    QGroupBox *PrinterNameGroupBox = nullptr;
    QLabel *PrinterNameLabel = nullptr;
    QPushButton *PrinterSetupButton = nullptr;
    QPushButton *PageSetupButton = nullptr;
    QGroupBox *CopiesGroupBox = nullptr;
    QSpinBox *CopiesEdit = nullptr; // the edit and its up-down in one control
    QPushButton *OKButton = nullptr;
    QPushButton *CancelButton = nullptr;

private:
    std::function<void()> printerSetup_;
    int copies_ = 1;
};

} // namespace velmo
