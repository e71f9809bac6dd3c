#include "search/jump.h"

#include "editor/richedit.h"
#include "platform/prompts.h"
#include "search/searchtexts.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace velmo {

namespace {

QString tr8(const char *utf8) { return QString::fromUtf8(utf8); }

// The field's text as an integer, surrounding blanks allowed.
std::optional<int> toInteger(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

// Moves text to the top of the list, once.
void pushFront(QStringList &list, const QString &text)
{
    list.removeAll(text);
    list.prepend(text);
}

} // namespace

// ----- TUpDown -----

TUpDown::TUpDown(QComboBox *buddy, QWidget *parent) : QWidget(parent), buddy_(buddy)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *up = new QToolButton(this);
    up->setArrowType(Qt::UpArrow);
    up->setAutoRepeat(true);
    up->setObjectName(QStringLiteral("UpButton"));
    auto *down = new QToolButton(this);
    down->setArrowType(Qt::DownArrow);
    down->setAutoRepeat(true);
    down->setObjectName(QStringLiteral("DownButton"));
    for (QToolButton *b : {up, down}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedSize(16, 11);
        layout->addWidget(b);
    }
    connect(up, &QToolButton::clicked, this, [this] { StepBy(1); });
    connect(down, &QToolButton::clicked, this, [this] { StepBy(-1); });
}

void TUpDown::SetRange(int min, int max)
{
    min_ = min;
    max_ = std::max(min, max);
    SetPosition(position_);
}

void TUpDown::SetPosition(int value)
{
    position_ = std::clamp(value, min_, max_);
    buddy_->setEditText(QString::number(position_));
}

void TUpDown::StepBy(int steps)
{
    // A number typed into the box is where stepping starts.
    const int from = toInteger(buddy_->currentText()).value_or(position_);
    SetPosition(int(std::clamp<long long>(static_cast<long long>(from) + steps, min_, max_)));
}

// ----- TJumpForm -----

TJumpForm::TJumpForm(const TJumpHost &host, QWidget *parent) : QDialog(parent), host_(host)
{
    setObjectName(QStringLiteral("JumpForm"));
    setWindowTitle(tr8(searchtexts::kJumpCaption));
    setAttribute(Qt::WA_DeleteOnClose, false);

    JumpGroupBox = new QGroupBox(tr8(searchtexts::kJumpGroup), this);
    auto *grid = new QGridLayout(JumpGroupBox);
    auto addRow = [&](int row, const char *label, const char *unit, QLabel *&labelWidget, QComboBox *&combo,
                      TUpDown *&upDown, QLabel *&unitWidget, const char *comboName) {
        labelWidget = new QLabel(tr8(label), JumpGroupBox);
        combo = new QComboBox(JumpGroupBox);
        combo->setObjectName(QLatin1String(comboName));
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setMinimumWidth(90);
        upDown = new TUpDown(combo, JumpGroupBox);
        unitWidget = new QLabel(tr8(unit), JumpGroupBox);
        labelWidget->setBuddy(combo);
        grid->addWidget(labelWidget, row, 0);
        grid->addWidget(combo, row, 1);
        grid->addWidget(upDown, row, 2);
        grid->addWidget(unitWidget, row, 3);
    };
    addRow(0, searchtexts::kLineLabel, searchtexts::kLineUnit, LineStaticText, LineComboBox, LineUpDown, StaticText1,
           "LineComboBox");
    addRow(1, searchtexts::kColumnLabel, searchtexts::kColumnUnit, ColStaticText, ColComboBox, ColUpDown, StaticText2,
           "ColComboBox");
    ToTopButton = new QToolButton(JumpGroupBox);
    ToTopButton->setObjectName(QStringLiteral("ToTopButton"));
    ToTopButton->setText(tr8(searchtexts::kToTop));
    ToTopButton->setToolTip(tr8(searchtexts::kToTopHint));
    ToTopButton->setAutoRaise(true);
    ToTopButton->setArrowType(Qt::UpArrow);
    ToTopButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ToBottomButton = new QToolButton(JumpGroupBox);
    ToBottomButton->setObjectName(QStringLiteral("ToBottomButton"));
    ToBottomButton->setText(tr8(searchtexts::kToBottom));
    ToBottomButton->setToolTip(tr8(searchtexts::kToBottomHint));
    ToBottomButton->setAutoRaise(true);
    ToBottomButton->setArrowType(Qt::DownArrow);
    ToBottomButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ToBottomButton->setLayoutDirection(Qt::RightToLeft); // the glyph on the right
    auto *moves = new QHBoxLayout;
    moves->addWidget(ToTopButton);
    moves->addStretch();
    moves->addWidget(ToBottomButton);
    grid->addLayout(moves, 2, 0, 1, 4);

    OkButton = new QPushButton(QStringLiteral("OK"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setDefault(true);
    OkButton->setAutoDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    auto *outer = new QVBoxLayout(this);
    outer->addWidget(JumpGroupBox);
    outer->addLayout(buttons);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    connect(OkButton, &QPushButton::clicked, this, [this] { OkButtonClick(); });
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ToTopButton, &QToolButton::clicked, this, [this] { ToTopButtonClick(); });
    connect(ToBottomButton, &QToolButton::clicked, this, [this] { ToBottomButtonClick(); });

    // The histories first: filling a combo box's list must not overwrite the text the spin
    // positions put there.
    LineComboBox->addItems(*host_.lineHistory);
    ColComboBox->addItems(*host_.columnHistory);
    LineUpDown->SetRange(1, host_.edit->GetLineCount() + 1);
    ColUpDown->SetRange(0, 32767);
    showCaret();
    setTabOrder(LineComboBox, ColComboBox);
    setTabOrder(ColComboBox, ToTopButton);
    setTabOrder(ToTopButton, ToBottomButton);
    setTabOrder(ToBottomButton, OkButton);
    setTabOrder(OkButton, CancelButton);
}

TJumpForm::~TJumpForm()
{
    if (statusShown_ && host_.restoreStatus)
        host_.restoreStatus();
}

void TJumpForm::showCaret()
{
    LineUpDown->SetPosition(host_.edit->GetRow() + 1);
    ColUpDown->SetPosition(host_.edit->GetColumn());
}

void TJumpForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!statusShown_ && host_.showStatus) {
        host_.showStatus(tr8(searchtexts::kJumpStatus));
        statusShown_ = true;
    }
    LineComboBox->setFocus();
    LineComboBox->lineEdit()->selectAll();
}

void TJumpForm::done(int result)
{
    if (statusShown_ && host_.restoreStatus) {
        host_.restoreStatus();
        statusShown_ = false;
    }
    QDialog::done(result);
}

void TJumpForm::OkButtonClick()
{
    TRichEdit &edit = *host_.edit;
    const QString lineText = LineComboBox->currentText();
    const QString colText = ColComboBox->currentText();
    const std::optional<int> typedLine = toInteger(lineText);
    const std::optional<int> typedColumn = toInteger(colText);
    if (!typedLine || !typedColumn) {
        const QString bad = !typedLine ? lineText : colText;
        host_.prompts->showError(tr8(searchtexts::kNotIntegerFormat).replace(QStringLiteral("%s"), bad));
        return;
    }
    // A line before the first or past the last is the first or the last line; a negative
    // column is the line's start.
    const int line = std::clamp(*typedLine, 1, std::max(edit.GetLineCount(), 1));
    const int lineStart = std::max(edit.LineIndex(line - 1), 0);
    const int length = edit.LineLength(lineStart);
    // Past the line's end means the end of the line.
    const int column = std::clamp(*typedColumn, 0, length);
    edit.SetSelStart(lineStart + column);
    // A column inside a double-byte character lands before it: the fields say where the
    // caret went, and so do the histories.
    LineUpDown->SetPosition(line);
    ColUpDown->SetPosition(edit.SelStart() - lineStart);
    pushFront(*host_.lineHistory, LineComboBox->currentText());
    pushFront(*host_.columnHistory, ColComboBox->currentText());
    accept();
}

void TJumpForm::ToTopButtonClick()
{
    host_.edit->SetSelStart(0);
    showCaret();
}

void TJumpForm::ToBottomButtonClick()
{
    host_.edit->SetSelStart(host_.edit->GetTextLength());
    showCaret();
}

} // namespace velmo
