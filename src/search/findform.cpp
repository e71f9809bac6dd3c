#include "search/findform.h"

#include "editor/richedit.h"
#include "platform/cp932codec.h"
#include "platform/prompts.h"
#include "search/searchtexts.h"
#include "settings/findsettings.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace velmo {

namespace {

QString tr8(const char *utf8) { return QString::fromUtf8(utf8); }

QString format(const char *utf8, const QString &first, const QString &second = {})
{
    QString text = tr8(utf8);
    const qsizetype at = text.indexOf(QStringLiteral("%s"));
    if (at >= 0)
        text.replace(at, 2, first);
    const qsizetype next = text.indexOf(QStringLiteral("%s"), at + first.size());
    if (next >= 0)
        text.replace(next, 2, second);
    return text;
}

QComboBox *historyCombo(QWidget *parent, const char *name, const QStringList &history)
{
    auto *combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setMinimumWidth(220);
    combo->addItems(history);
    if (!history.isEmpty())
        combo->setCurrentIndex(0);
    else
        combo->setEditText(QString());
    return combo;
}

// Puts the combo box's text at the top of its list, once regardless of letter case.
void recordText(QComboBox *combo)
{
    const QString text = combo->currentText();
    if (text.isEmpty())
        return;
    for (int i = 0; i < combo->count(); ++i) {
        if (combo->itemText(i).compare(text, Qt::CaseInsensitive) == 0) {
            combo->removeItem(i);
            break;
        }
    }
    combo->insertItem(0, text);
    combo->setCurrentIndex(0);
}

QStringList items(const QComboBox *combo)
{
    QStringList list;
    for (int i = 0; i < combo->count(); ++i)
        list << combo->itemText(i);
    return list;
}

} // namespace

TFindForm::TFindForm(const TFindHost &host, QWidget *window)
    : QDialog(window, Qt::Tool | Qt::WindowStaysOnTopHint), host_(host), finder_(*host.edit), window_(window)
{
    setObjectName(QStringLiteral("FindForm"));
    setWindowTitle(tr8(searchtexts::kFindCaption));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    TFindSettings &s = *host_.settings;

    FindLabel = new QLabel(tr8(searchtexts::kFindLabel), this);
    FindComboBox = historyCombo(this, "FindComboBox", s.FindHistory);
    FindLabel->setBuddy(FindComboBox);
    ReplaceCheckBox = new QCheckBox(tr8(searchtexts::kReplaceCheck), this);
    ReplaceCheckBox->setObjectName(QStringLiteral("ReplaceCheckBox"));
    ReplaceComboBox = historyCombo(this, "ReplaceComboBox", s.ReplaceHistory);

    FindAriaRadioGroup = new QGroupBox(tr8(searchtexts::kRangeGroup), this);
    FindAriaRadioGroup->setObjectName(QStringLiteral("FindAriaRadioGroup"));
    RangeButtons = new QButtonGroup(this);
    auto *rangeLayout = new QVBoxLayout(FindAriaRadioGroup);
    int id = 0;
    for (const char *caption : {searchtexts::kRangeWhole, searchtexts::kRangeAfter, searchtexts::kRangeBefore}) {
        auto *radio = new QRadioButton(tr8(caption), FindAriaRadioGroup);
        RangeButtons->addButton(radio, id++);
        rangeLayout->addWidget(radio);
    }
    OptionGroupBox = new QGroupBox(tr8(searchtexts::kOptionGroup), this);
    auto *optionLayout = new QVBoxLayout(OptionGroupBox);
    WordCheckBox = new QCheckBox(tr8(searchtexts::kWholeWord), OptionGroupBox);
    CaseCheckBox = new QCheckBox(tr8(searchtexts::kMatchCase), OptionGroupBox);
    QueryCheckBox = new QCheckBox(tr8(searchtexts::kConfirm), OptionGroupBox);
    for (QCheckBox *box : {WordCheckBox, CaseCheckBox, QueryCheckBox})
        optionLayout->addWidget(box);

    FindButton = new QPushButton(tr8(searchtexts::kExecute), this);
    FindButton->setObjectName(QStringLiteral("FindButton"));
    FindButton->setDefault(true);
    CloseButton = new QPushButton(tr8(searchtexts::kClose), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    CloseButton->setAutoDefault(false);

    auto *grid = new QGridLayout;
    grid->addWidget(FindLabel, 0, 0);
    grid->addWidget(FindComboBox, 0, 1);
    grid->addWidget(ReplaceCheckBox, 1, 0);
    grid->addWidget(ReplaceComboBox, 1, 1);
    auto *groups = new QHBoxLayout;
    groups->addWidget(FindAriaRadioGroup);
    groups->addWidget(OptionGroupBox);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(FindButton);
    buttons->addWidget(CloseButton);
    buttons->addStretch();
    auto *left = new QVBoxLayout;
    left->addLayout(grid);
    left->addLayout(groups);
    auto *outer = new QHBoxLayout(this);
    outer->addLayout(left);
    outer->addLayout(buttons);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(FindComboBox, ReplaceCheckBox);
    setTabOrder(ReplaceCheckBox, ReplaceComboBox);

    SetRangeIndex(s.Range);
    WordCheckBox->setChecked(s.WholeWord);
    CaseCheckBox->setChecked(s.MatchCase);
    QueryCheckBox->setChecked(s.ConfirmReplace);
    s.Dialog = this;

    connect(ReplaceCheckBox, &QCheckBox::toggled, this, [this] { ReplaceCheckBoxClick(); });
    connect(FindButton, &QPushButton::clicked, this, [this] { FindButtonClick(); });
    connect(CloseButton, &QPushButton::clicked, this, [this] { CloseButtonClick(); });
    ReplaceCheckBoxClick();
    placeOnOpen(window);
    // The dialog goes when its window closes.
    if (window_)
        window_->installEventFilter(this);
}

TFindForm::~TFindForm()
{
    // Destroyed without closing (the window goes first): the settings, still alive, forget it.
    if (!closed_ && host_.settings->Dialog == this)
        host_.settings->Dialog = nullptr;
}

void TFindForm::placeOnOpen(QWidget *window)
{
    const TFindSettings &s = *host_.settings;
    adjustSize();
    if (s.DialogLeft >= 0 || s.DialogTop >= 0) {
        move(s.DialogLeft, s.DialogTop);
        return;
    }
    // The top right corner of the editor.
    QWidget *edit = host_.edit;
    if (!window || !edit)
        return;
    const QPoint origin = edit->mapToGlobal(QPoint(0, 0));
    move(origin.x() + edit->width() - frameGeometry().width() - 5, origin.y() + 1);
}

int TFindForm::RangeIndex() const
{
    return std::max(RangeButtons->checkedId(), 0);
}

void TFindForm::SetRangeIndex(int index)
{
    if (QAbstractButton *b = RangeButtons->button(std::clamp(index, 0, 2)))
        b->setChecked(true);
}

void TFindForm::ReplaceCheckBoxClick()
{
    const bool on = ReplaceCheckBox->isChecked();
    ReplaceComboBox->setEnabled(on);
    QueryCheckBox->setEnabled(on);
    QPalette palette = ReplaceComboBox->palette();
    palette.setColor(QPalette::Base, on ? FindComboBox->palette().color(QPalette::Base)
                                        : this->palette().color(QPalette::Button));
    ReplaceComboBox->setPalette(palette);
}

void TFindForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FindComboBox->setFocus();
    FindComboBox->lineEdit()->selectAll();
}

void TFindForm::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        ReplaceCheckBoxClick();
}

void TFindForm::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F3 && event->modifiers() == Qt::NoModifier) {
        FindButtonClick();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        CloseButtonClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TFindForm::eventFilter(QObject *watched, QEvent *event)
{
    // The window going away (not merely minimised) takes the dialog with it.
    if (watched == window_ && event->type() == QEvent::Hide && !event->spontaneous() && !closed_)
        close();
    return QDialog::eventFilter(watched, event);
}

PromptResult TFindForm::ask(const QString &text, PromptButtons buttons)
{
    // Owned by the dialog, the box comes up above it although the dialog stays on top.
    Prompts &prompts = *host_.prompts;
    QWidget *owner = prompts.owner();
    prompts.setOwner(this);
    const PromptResult answer = prompts.message(text, buttons, PromptIcon::None);
    prompts.setOwner(owner);
    return answer;
}

void TFindForm::FindButtonClick()
{
    if (host_.showStatus)
        host_.showStatus(tr8(searchtexts::kSearching));
    recordText(FindComboBox);
    recordText(ReplaceComboBox);
    SearchInRange(RangeIndex());
    if (RangeIndex() == 0)
        SetRangeIndex(1);
    if (host_.restoreStatus)
        host_.restoreStatus();
}

bool TFindForm::SearchInRange(int range)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct RestoreCursor {
        ~RestoreCursor() { QApplication::restoreOverrideCursor(); }
    } restore;

    TRichEdit &edit = *host_.edit;
    const QString needle = FindComboBox->currentText();
    // The length as the engine keeps it: asking the line list would lay out everything.
    const int length = edit.GetTextLength();
    if (length == 0 || needle.isEmpty())
        return false;
    const unsigned flags = (WordCheckBox->isChecked() ? FR_WHOLEWORD : 0) | (CaseCheckBox->isChecked() ? FR_MATCHCASE : 0);
    int hit = -1, end = -1;
    switch (range) {
    case 0:
        hit = finder_.Find(needle, 0, length, flags, &end);
        break;
    case 1:
        hit = finder_.Find(needle, edit.SelStart() + edit.SelLength(), length, flags, &end);
        break;
    default:
        hit = finder_.FindLastBefore(needle, edit.SelStart(), flags, &end);
        break;
    }
    if (hit < 0) {
        ask(format(searchtexts::kNotFoundFormat, needle), PromptButtons::Ok);
        return false;
    }
    edit.SetSelStart(hit);
    edit.SetSelLength(end - hit);
    if (ReplaceCheckBox->isChecked())
        ReplaceCurrentHit();
    return true;
}

void TFindForm::ReplaceCurrentHit()
{
    TRichEdit &edit = *host_.edit;
    const QString replacement = ReplaceComboBox->currentText();
    // A document that cannot take the replacement keeps the hit selected, so that the next
    // execute goes on after it instead of finding it again.
    const auto bytes = std::int64_t(cp932::byteLength(replacement.toStdU16String()));
    const bool tooLong = edit.MaxLength() > 0 &&
                         std::int64_t(edit.GetTextLength()) - edit.SelLength() + bytes > edit.MaxLength();
    if (edit.ReadOnly() || tooLong) {
        QApplication::beep();
        return;
    }
    if (QueryCheckBox->isChecked()) {
        const PromptResult answer = ask(format(searchtexts::kReplaceQuestionFormat, FindComboBox->currentText(), replacement),
                                        PromptButtons::YesNoCancel);
        if (answer == PromptResult::Cancel) {
            CloseButtonClick();
            return;
        }
        if (answer != PromptResult::Yes)
            return;
    }
    const int hit = edit.SelStart();
    edit.SetSelText(replacement);
    // The inserted text selected: the next execute goes on after it.
    const int after = edit.SelStart();
    edit.SetSelStart(hit);
    edit.SetSelLength(after - hit);
}

void TFindForm::CloseButtonClick()
{
    close();
}

void TFindForm::closeEvent(QCloseEvent *event)
{
    FormClose();
    QDialog::closeEvent(event);
}

void TFindForm::done(int result)
{
    // However the dialog goes away, its state goes back to the window first.
    FormClose();
    QDialog::done(result);
}

void TFindForm::FormClose()
{
    if (closed_)
        return;
    closed_ = true;
    TFindSettings &s = *host_.settings;
    s.FindHistory = items(FindComboBox);
    s.ReplaceHistory = items(ReplaceComboBox);
    s.Range = RangeIndex();
    s.WholeWord = WordCheckBox->isChecked();
    s.MatchCase = CaseCheckBox->isChecked();
    s.ConfirmReplace = QueryCheckBox->isChecked();
    s.DialogLeft = frameGeometry().left();
    s.DialogTop = frameGeometry().top();
    if (s.Dialog == this)
        s.Dialog = nullptr;
    if (host_.restoreStatus)
        host_.restoreStatus();
}

} // namespace velmo
