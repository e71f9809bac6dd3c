// Help: the help page beside the program, and the version box.
#include "app/mainform.h"

#include "app/uitexts.h"
#include "platform/shell.h"
#include "settings/placement.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QUrl>
#include <QVBoxLayout>

namespace velmo {

namespace {
constexpr char kVersionLine[] = "バージョン: 2.66 2002/04/15";
}

void TMainForm::ShowHelp(int command, int data)
{
    Q_UNUSED(command); // the page has one form of entry: a topic by its number
    if (helpFile_.isEmpty())
        helpFile_ = HelpFileName();
    if (!services_.shell)
        return;
    // A topic number other than 0 leads to its section of the page ("#help-33").
    QUrl url = QUrl::fromLocalFile(helpFile_);
    if (data != 0)
        url.setFragment(QStringLiteral("help-%1").arg(data));
    services_.shell->openDocument(url.toString());
}

void TMainForm::HelpIndexClick()
{
    ShowHelp(1, 0);
}

void TMainForm::HelpAboutClick()
{
    QDialog box(this);
    box.setObjectName(QStringLiteral("AboutBox"));
    box.setWindowTitle(QString::fromUtf8(texts::kHelpAboutMenu).remove(QStringLiteral("(A)...")));
    auto *layout = new QVBoxLayout(&box);
    auto *name = new QLabel(QStringLiteral("<h2>%1</h2>").arg(QString::fromUtf8(texts::kTitle)), &box);
    name->setAlignment(Qt::AlignCenter);
    auto *version = new QLabel(QString::fromUtf8(kVersionLine), &box);
    version->setAlignment(Qt::AlignCenter);
    auto *page = new QLabel(QStringLiteral("<a href=\"%1\">%2</a>")
                                .arg(QUrl::fromLocalFile(HelpFileName()).toString(),
                                     HelpFileName().toHtmlEscaped()),
                            &box);
    page->setAlignment(Qt::AlignCenter);
    page->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(page, &QLabel::linkActivated, this, [this] { HelpIndexClick(); });
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
    connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    layout->addWidget(name);
    layout->addWidget(version);
    layout->addWidget(page);
    layout->addWidget(buttons);
    box.adjustSize();
    if (Placement)
        Placement->CenterOverMainWindow(&box);
    box.exec();
}

} // namespace velmo
