// The page-setup page of the settings dialog: the current printer, the four margins with
// their spin boxes bounded by what the printer can print, a scaled preview of the page and
// the paper size. The margins reach the page-setup record only when the dialog is applied.
#pragma once

#include "settings/pagesetup.h"

#include <QWidget>

#include <functional>

class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace velmo {

class TPageSetupPage : public QWidget {
    Q_OBJECT
public:
    explicit TPageSetupPage(TPageSetup &pageSetup, QWidget *parent = nullptr);

    // Recompute, the window's edit area laid out again (the page width may have changed), the
    // printer name, the spin limits, the margin texts, the preview and the paper text.
    void RefreshPageSetupPage();
    // The preview follows the four margin boxes.
    void TopMarginEditChange();
    // The printer-setup dialog (nothing without a printer), then the page and the report
    // are refreshed.
    void PrinterSetupButtonClick();
    // Without a printer the printer's controls are disabled and its name shows white on red.
    void ShowPrinterUnavailable();

    // The margins as the boxes hold them (left, top, right, bottom).
    TMarginRect Margins() const;

    // What the window supplies: laying its edit area out again, the platform's printer-setup
    // dialog (true when the user confirmed it), and what follows a change of printer.
    std::function<void()> LayoutEditArea;
    std::function<bool()> PrinterSetupDialog;
    std::function<void()> PrinterChanged;

    QGroupBox *PrinterNameGroupBox = nullptr;
    QLabel *PrinterNameLabel = nullptr;
    QGroupBox *MarginGroupBox = nullptr;
    QLabel *TopMarginLabel = nullptr, *BottomMarginLabel = nullptr, *LeftMarginLabel = nullptr,
           *RightMarginLabel = nullptr;
    QSpinBox *TopMarginEdit = nullptr, *BottomMarginEdit = nullptr, *LeftMarginEdit = nullptr,
             *RightMarginEdit = nullptr;
    QWidget *PrintPreviewPanel = nullptr;
    QWidget *PaperPanel = nullptr;
    QWidget *PrintShape = nullptr;
    QLabel *PaperStaticText = nullptr;
    QPushButton *PrinterSetupButton = nullptr;
    QPushButton *PrintStartButton = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TPageSetup &pageSetup_;
};

} // namespace velmo
