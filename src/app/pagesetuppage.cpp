#include "app/pagesetuppage.h"

#include "app/optiontexts.h"
#include "settings/muldiv.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace velmo {

namespace {

QString t(const char *utf8) { return QString::fromUtf8(utf8); }

// The text area of the preview: silver hatching.
class PrintShapeWidget : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QBrush(QColor(0xC0, 0xC0, 0xC0), Qt::BDiagPattern));
        painter.setPen(QColor(0xC0, 0xC0, 0xC0));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

constexpr int kPaperPanelHeight = 180;

} // namespace

TPageSetupPage::TPageSetupPage(TPageSetup &pageSetup, QWidget *parent)
    : QWidget(parent), pageSetup_(pageSetup)
{
    setObjectName(QStringLiteral("PageSetupPage"));
    auto *columns = new QHBoxLayout(this);
    auto *left = new QVBoxLayout;
    columns->addLayout(left, 1);

    PrinterNameGroupBox = new QGroupBox(t(optiontexts::kPrinterNameGroup), this);
    PrinterNameGroupBox->setObjectName(QStringLiteral("PrinterNameGroupBox"));
    auto *nameBox = new QVBoxLayout(PrinterNameGroupBox);
    PrinterNameLabel = new QLabel(PrinterNameGroupBox);
    PrinterNameLabel->setObjectName(QStringLiteral("PrinterNameLabel"));
    PrinterNameLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PrinterNameLabel->setAlignment(Qt::AlignCenter);
    PrinterNameLabel->setAutoFillBackground(true);
    PrinterNameLabel->setCursor(Qt::PointingHandCursor);
    PrinterNameLabel->installEventFilter(this);
    nameBox->addWidget(PrinterNameLabel);
    left->addWidget(PrinterNameGroupBox);

    MarginGroupBox = new QGroupBox(t(optiontexts::kMarginGroup), this);
    MarginGroupBox->setObjectName(QStringLiteral("MarginGroupBox"));
    auto *grid = new QGridLayout(MarginGroupBox);
    auto margin = [&](int row, const char *name, const char *caption, const char *hint, QLabel *&label) {
        label = new QLabel(t(caption), MarginGroupBox);
        auto *edit = new QSpinBox(MarginGroupBox);
        edit->setObjectName(QLatin1String(name));
        edit->setToolTip(t(hint));
        // Until the printer's limits are known.
        edit->setRange(1, 9999);
        edit->setValue(20);
        auto *unit = new QLabel(t(optiontexts::kMm), MarginGroupBox);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        grid->addWidget(unit, row, 2);
        connect(edit, &QSpinBox::valueChanged, this, [this] { TopMarginEditChange(); });
        return edit;
    };
    TopMarginEdit = margin(0, "TopMarginEdit", optiontexts::kTopMargin, optiontexts::kTopMarginHint, TopMarginLabel);
    BottomMarginEdit = margin(1, "BottomMarginEdit", optiontexts::kBottomMargin, optiontexts::kBottomMarginHint,
                              BottomMarginLabel);
    LeftMarginEdit = margin(2, "LeftMarginEdit", optiontexts::kLeftMargin, optiontexts::kLeftMarginHint, LeftMarginLabel);
    RightMarginEdit = margin(3, "RightMarginEdit", optiontexts::kRightMargin, optiontexts::kRightMarginHint,
                             RightMarginLabel);
    left->addWidget(MarginGroupBox);
    left->addStretch(1);

    PrinterSetupButton = new QPushButton(t(optiontexts::kPrinterSetup), this);
    PrinterSetupButton->setObjectName(QStringLiteral("PrinterSetupButton"));
    connect(PrinterSetupButton, &QPushButton::clicked, this, [this] { PrinterSetupButtonClick(); });
    PrintStartButton = new QPushButton(t(optiontexts::kPrintStart), this);
    PrintStartButton->setObjectName(QStringLiteral("PrintStartButton"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(PrinterSetupButton);
    buttons->addWidget(PrintStartButton);
    left->addLayout(buttons);

    auto *right = new QVBoxLayout;
    columns->addLayout(right);
    PrintPreviewPanel = new QWidget(this);
    PrintPreviewPanel->setObjectName(QStringLiteral("PrintPreviewPanel"));
    PrintPreviewPanel->setFixedSize(170, kPaperPanelHeight + 10);
    PaperPanel = new QWidget(PrintPreviewPanel);
    PaperPanel->setObjectName(QStringLiteral("PaperPanel"));
    PaperPanel->setAutoFillBackground(true);
    QPalette white = PaperPanel->palette();
    white.setColor(QPalette::Window, Qt::white);
    PaperPanel->setPalette(white);
    PaperPanel->setGeometry(0, 5, 127, kPaperPanelHeight);
    PrintShape = new PrintShapeWidget(PaperPanel);
    PrintShape->setObjectName(QStringLiteral("PrintShape"));
    right->addWidget(PrintPreviewPanel);
    PaperStaticText = new QLabel(this);
    PaperStaticText->setObjectName(QStringLiteral("PaperStaticText"));
    PaperStaticText->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PaperStaticText->setAlignment(Qt::AlignCenter);
    right->addWidget(PaperStaticText);
    right->addStretch(1);
}

TMarginRect TPageSetupPage::Margins() const
{
    return {LeftMarginEdit->value(), TopMarginEdit->value(), RightMarginEdit->value(), BottomMarginEdit->value()};
}

void TPageSetupPage::RefreshPageSetupPage()
{
    TPageSetup &p = pageSetup_;
    p.Recompute();
    if (LayoutEditArea)
        LayoutEditArea();
    PrinterNameLabel->setText(p.PrinterName);
    {
        // The limits change one box at a time; the preview is drawn once, at the end.
        const QSignalBlocker b1(TopMarginEdit), b2(BottomMarginEdit), b3(LeftMarginEdit), b4(RightMarginEdit);
        // The page's own limits, in the margins' units, so that no pair leaves an empty page.
        const TMarginRect max = p.MaxMargins();
        // A box's value below its new minimum is raised to it (QSpinBox clamps).
        LeftMarginEdit->setRange(p.MinMargins.Left, std::max(max.Left, p.MinMargins.Left));
        TopMarginEdit->setRange(p.MinMargins.Top, std::max(max.Top, p.MinMargins.Top));
        RightMarginEdit->setRange(p.MinMargins.Right, std::max(max.Right, p.MinMargins.Right));
        BottomMarginEdit->setRange(p.MinMargins.Bottom, std::max(max.Bottom, p.MinMargins.Bottom));
    }
    TopMarginEditChange();
    PaperStaticText->setText(t(optiontexts::kPaperSize) + QLatin1Char('\n') + QString::number(p.PaperWidthMM)
                             + QLatin1Char('x') + QString::number(p.PaperHeightMM) + t(optiontexts::kMm));
}

void TPageSetupPage::TopMarginEditChange()
{
    const TPageSetup &p = pageSetup_;
    if (p.PaperWidthMM <= 0 || p.PaperHeightMM <= 0)
        return;
    const int height = PaperPanel->height();
    const int width = height * p.PaperWidthMM / p.PaperHeightMM;
    PaperPanel->setGeometry(PrintPreviewPanel->width() / 2 - width / 2, PaperPanel->y(), width, height);
    const auto scaled = [&](int mm) { return MulDiv(mm, width, p.PaperWidthMM); };
    const TMarginRect m = Margins();
    const int left = scaled(m.Left) - 1;
    const int top = scaled(m.Top) - 1;
    PrintShape->setGeometry(left, top, std::max(width - left - scaled(m.Right), 0),
                            std::max(height - top - scaled(m.Bottom), 0));
}

void TPageSetupPage::PrinterSetupButtonClick()
{
    if (pageSetup_.PrinterUnavailable)
        return;
    if (PrinterSetupDialog)
        PrinterSetupDialog();
    RefreshPageSetupPage();
    if (PrinterChanged)
        PrinterChanged();
}

void TPageSetupPage::ShowPrinterUnavailable()
{
    for (QWidget *w : std::initializer_list<QWidget *>{PrinterSetupButton, PrintStartButton, PaperStaticText,
                                                       TopMarginLabel, BottomMarginLabel, LeftMarginLabel,
                                                       RightMarginLabel, TopMarginEdit, BottomMarginEdit,
                                                       LeftMarginEdit, RightMarginEdit})
        w->setEnabled(false);
    QPalette name = PrinterNameLabel->palette();
    name.setColor(QPalette::Window, Qt::red);
    name.setColor(QPalette::WindowText, Qt::white);
    PrinterNameLabel->setPalette(name);
    // The margin boxes take the colour of their group.
    for (QSpinBox *edit : {TopMarginEdit, BottomMarginEdit, LeftMarginEdit, RightMarginEdit}) {
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, MarginGroupBox->palette().color(QPalette::Window));
        edit->setPalette(palette);
    }
}

bool TPageSetupPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == PrinterNameLabel && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        PrinterSetupButtonClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace velmo
