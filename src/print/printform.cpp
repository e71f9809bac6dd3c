#include "print/printform.h"

#include "print/printtexts.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace velmo {

namespace {
QString tr8(const char *utf8) { return QString::fromUtf8(utf8); }
} // namespace

TPrintForm::TPrintForm(QWidget *parent, const QString &printerName,
                       std::function<void()> printerSetup, bool pageSetup)
    : QDialog(parent), printerSetup_(std::move(printerSetup))
{
    setObjectName(QStringLiteral("PrintForm"));
    setWindowTitle(tr8(printtexts::kPrintCaption));
    // A fixed border and a caption without buttons: the dialog ends by its own buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint);

    PrinterNameGroupBox = new QGroupBox(tr8(printtexts::kCurrentPrinter), this);
    PrinterNameGroupBox->setObjectName(QStringLiteral("PrinterNameGroupBox"));
    PrinterNameLabel = new QLabel(printerName, PrinterNameGroupBox);
    PrinterNameLabel->setObjectName(QStringLiteral("PrinterNameLabel"));
    PrinterNameLabel->setAlignment(Qt::AlignCenter);
    PrinterNameLabel->setMinimumWidth(220);
    auto *nameRow = new QVBoxLayout(PrinterNameGroupBox);
    nameRow->addWidget(PrinterNameLabel);

    PrinterSetupButton = new QPushButton(tr8(printtexts::kPrinterSetupButton), this);
    PrinterSetupButton->setObjectName(QStringLiteral("PrinterSetupButton"));
    PrinterSetupButton->setAutoDefault(false);
    PageSetupButton = new QPushButton(tr8(printtexts::kPageSetupButton), this);
    PageSetupButton->setObjectName(QStringLiteral("PageSetupButton"));
    PageSetupButton->setAutoDefault(false);
    PageSetupButton->setEnabled(pageSetup);

    CopiesGroupBox = new QGroupBox(tr8(printtexts::kCopiesGroup), this);
    CopiesGroupBox->setObjectName(QStringLiteral("CopiesGroupBox"));
    CopiesEdit = new QSpinBox(CopiesGroupBox);
    CopiesEdit->setObjectName(QStringLiteral("CopiesEdit"));
    CopiesEdit->setRange(1, 100);
    CopiesEdit->setValue(1);
    auto *copiesRow = new QHBoxLayout(CopiesGroupBox);
    copiesRow->addWidget(CopiesEdit);
    copiesRow->addStretch(1);

    OKButton = new QPushButton(tr8(printtexts::kOk), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    CancelButton = new QPushButton(tr8(printtexts::kCancel), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setAutoDefault(false);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(PrinterSetupButton);
    buttons->addWidget(PageSetupButton);
    buttons->addStretch(1);
    auto *top = new QHBoxLayout;
    top->addWidget(PrinterNameGroupBox, 1);
    top->addLayout(buttons);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(CopiesGroupBox, 1);
    auto *ends = new QVBoxLayout;
    ends->addWidget(OKButton);
    ends->addWidget(CancelButton);
    bottom->addLayout(ends);
    auto *column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addLayout(bottom);
    column->setSizeConstraint(QLayout::SetFixedSize);

    connect(PrinterSetupButton, &QPushButton::clicked, this, [this] { PrinterSetupButtonClick(); });
    connect(PageSetupButton, &QPushButton::clicked, this, [this] { PageSetupButtonClick(); });
    connect(OKButton, &QPushButton::clicked, this, [this] { OKButtonClick(); });
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TPrintForm::PrinterSetupButtonClick()
{
    // The name shown stays the one the dialog opened with; the job goes to the new choice.
    if (printerSetup_)
        printerSetup_();
}

void TPrintForm::PageSetupButtonClick()
{
    done(PageSetupResult);
}

void TPrintForm::OKButtonClick()
{
    CopiesEdit->interpretText();
    copies_ = CopiesEdit->value();
    accept();
}

} // namespace velmo
