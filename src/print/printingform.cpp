#include "print/printingform.h"

#include "print/printtexts.h"

#include <QGridLayout>
#include <QLabel>

namespace velmo {

TPrintingForm::TPrintingForm(QWidget *parent, const QString &message) : QDialog(parent)
{
    setObjectName(QStringLiteral("PrintingForm"));
    setWindowTitle(QString::fromUtf8(printtexts::kPrintingCaption));
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    MessageLabel = new QLabel(message, this);
    MessageLabel->setObjectName(QStringLiteral("MessageLabel"));
    MessageLabel->setAlignment(Qt::AlignCenter);
    MessageLabel->setWordWrap(true);
    MessageLabel->setMinimumWidth(280);
    PageTitleLabel = new QLabel(QString::fromUtf8(printtexts::kPageTitle), this);
    PageTitleLabel->setObjectName(QStringLiteral("PageTitleLabel"));
    PageTitleLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    PageLabel = new QLabel(QStringLiteral("1"), this);
    PageLabel->setObjectName(QStringLiteral("PageLabel"));
    PageLabel->setMinimumWidth(48);

    auto *grid = new QGridLayout(this);
    grid->addWidget(MessageLabel, 0, 0, 1, 2);
    grid->addWidget(PageTitleLabel, 1, 0);
    grid->addWidget(PageLabel, 1, 1);
    grid->setColumnStretch(0, 1);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

void TPrintingForm::ShowPage(int page)
{
    PageLabel->setText(QString::number(page));
    if (isVisible())
        PageLabel->repaint();
}

} // namespace velmo
