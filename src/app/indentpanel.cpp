// The indent panel above the editor: three coupled track bars for the paragraph's
// first-line, left and right indents.
//
// Only the user's own moves of a bar apply an indent. Positions the program sets (the
// caret moving into another paragraph, the coupling rules, a range narrowed by the layout)
// are set with the bars' signals blocked, so that showing a paragraph never rewrites it.
#include "app/mainform.h"

#include "app/formattexts.h"
#include "editor/extmemo.h"
#include "settings/muldiv.h"

#include <QAction>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QScrollArea>
#include <QSlider>
#include <QTimer>

namespace velmo {

namespace {

QString tr8(const char *text) { return QString::fromUtf8(text); }

// Esc in the editor or in a control of the panel hides the panel; a double click on the
// panel itself is the indent command.
class IndentPanelKeys : public QObject {
public:
    IndentPanelKeys(TMainForm *form) : QObject(form), form_(form) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape
            && static_cast<QKeyEvent *>(event)->modifiers() == Qt::NoModifier && !form_->IndentPanel->isHidden()) {
            form_->HideIndentPanel();
            return true;
        }
        if (watched == form_->IndentPanel && event->type() == QEvent::MouseButtonDblClick) {
            form_->IndentPanelCommand();
            return true;
        }
        return false;
    }

private:
    TMainForm *form_;
};

// The panel follows the editor's width. Laid out once the window's own handling of the
// resize (the edit area's width) is done, and once for a burst of resizes.
class ResizeFollower : public QObject {
public:
    explicit ResizeFollower(TMainForm *form) : QObject(form), form_(form) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Resize && !pending_ && !form_->IndentPanel->isHidden()) {
            pending_ = true;
            QTimer::singleShot(0, this, [this] {
                pending_ = false;
                form_->LayoutIndentPanel();
            });
        }
        return false;
    }

private:
    TMainForm *form_;
    bool pending_ = false;
};

void setQuietly(QSlider *bar, int position)
{
    const QSignalBlocker quiet(bar);
    bar->setValue(position);
}

} // namespace

void TMainForm::CreateIndentPanel()
{
    auto bar = [this](const char *name, const char *hint, int minimum, int maximum) {
        auto *slider = new QSlider(Qt::Horizontal, IndentPanel);
        slider->setObjectName(QLatin1String(name));
        slider->setToolTip(tr8(hint));
        slider->setRange(minimum, maximum);
        slider->setSingleStep(10);
        slider->setPageStep(10);
        slider->setTickInterval(5);
        slider->setTickPosition(QSlider::TicksBelow);
        // The user's moves only: the position has moved, the value follows.
        connect(slider, &QAbstractSlider::actionTriggered, this, [this, slider](int action) {
            if (action != QAbstractSlider::SliderNoAction)
                IndentBarMoved(slider);
        });
        return slider;
    };
    auto label = [this](const char *name, const char *caption) {
        auto *l = new QLabel(tr8(caption), IndentPanel);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    TopIndentTrackBar = bar("TopIndentTrackBar", formattexts::kTopIndentHint, 0, 60);
    LeftIndentTrackBar = bar("LeftIndentTrackBar", formattexts::kLeftIndentHint, 0, 60);
    RightIndentTrackBar = bar("RightIndentTrackBar", formattexts::kRightIndentHint, -60, 0);
    TopIndentLabel = label("TopIndentLabel", formattexts::kTopIndentLabel);
    LeftIndentLabel = label("LeftIndentLabel", formattexts::kLeftIndentLabel);
    RightIndentLabel = label("RightIndentLabel", formattexts::kRightIndentLabel);
    SyncIndentCheckBox = new QCheckBox(tr8(formattexts::kSyncIndentCaption), IndentPanel);
    SyncIndentCheckBox->setObjectName(QStringLiteral("SyncIndentCheckBox"));
    SyncIndentCheckBox->setToolTip(tr8(formattexts::kSyncIndentHint));
    SyncIndentCheckBox->setChecked(true);
    SyncRightIndentCheckBox = new QCheckBox(tr8(formattexts::kSyncIndentCaption), IndentPanel);
    SyncRightIndentCheckBox->setObjectName(QStringLiteral("SyncRightIndentCheckBox"));
    SyncRightIndentCheckBox->setToolTip(tr8(formattexts::kSyncRightIndentHint));
    SyncRightIndentCheckBox->setChecked(false);

    auto *keys = new IndentPanelKeys(this);
    RichEdit->installEventFilter(keys);
    IndentPanel->installEventFilter(keys);
    for (QWidget *control : IndentPanel->findChildren<QWidget *>())
        control->installEventFilter(keys);
    for (QAction *item : {OptionIndentMenu, PopIndentMenu})
        item->setChecked(false);
    auto *resizes = new ResizeFollower(this);
    reScrollBox->installEventFilter(resizes);
    RichEdit->installEventFilter(resizes);
}

void TMainForm::IndentPanelCommand()
{
    const bool show = IndentPanel->isHidden();
    // A text document has no paragraph formats to show.
    if (show && RichEdit->PlainText())
        return;
    IndentPanel->setVisible(show);
    OptionIndentMenu->setChecked(show);
    PopIndentMenu->setChecked(show);
    LayoutIndentPanel();
    RichEditSelectionChange();
}

void TMainForm::HideIndentPanel()
{
    if (IndentPanel->isHidden())
        return;
    IndentPanel->hide();
    // The items say what is shown: the next Ctrl+I shows the panel again.
    OptionIndentMenu->setChecked(false);
    PopIndentMenu->setChecked(false);
    LayoutIndentPanel();
    RichEdit->setFocus();
}

void TMainForm::UpdateIndentBars()
{
    const TParaAttributes p = RichEdit->Paragraph();
    setQuietly(TopIndentTrackBar, p.FirstIndent);
    setQuietly(LeftIndentTrackBar, p.FirstIndent + p.LeftIndent);
    setQuietly(RightIndentTrackBar, -p.RightIndent);
}

void TMainForm::ApplyIndentBars()
{
    TParaAttributes p;
    p.FirstIndent = TopIndentTrackBar->value();
    p.LeftIndent = LeftIndentTrackBar->value() - TopIndentTrackBar->value();
    p.RightIndent = -RightIndentTrackBar->value();
    RichEdit->SetParagraph(p, pfFirstIndent | pfLeftIndent | pfRightIndent);
    IndentButton->setChecked(p.FirstIndent != 0 || p.LeftIndent != 0 || p.RightIndent != 0);
}

void TMainForm::IndentBarMoved(QSlider *moved)
{
    if (RichEdit->ReadOnly()) {
        // A read-only document keeps its indents: the bar goes back to the paragraph's.
        UpdateIndentBars();
        return;
    }
    setQuietly(moved, moved->sliderPosition());
    const bool sync = SyncIndentCheckBox->isChecked();
    const bool mirror = SyncRightIndentCheckBox->isChecked();
    if (moved == TopIndentTrackBar) {
        if (sync)
            setQuietly(LeftIndentTrackBar, TopIndentTrackBar->value());
        if (mirror)
            setQuietly(RightIndentTrackBar, -TopIndentTrackBar->value());
    } else if (moved == LeftIndentTrackBar) {
        if (sync)
            setQuietly(TopIndentTrackBar, LeftIndentTrackBar->value());
        if (mirror)
            setQuietly(RightIndentTrackBar, -LeftIndentTrackBar->value());
    } else if (moved == RightIndentTrackBar && mirror) {
        setQuietly(LeftIndentTrackBar, -RightIndentTrackBar->value());
        if (sync)
            setQuietly(TopIndentTrackBar, LeftIndentTrackBar->value());
    }
    ApplyIndentBars();
}

void TMainForm::LayoutIndentPanel()
{
    if (IndentPanel->isHidden()) {
        VScrollTopPanel->setFixedHeight(2);
        return;
    }
    // Closing the panel from here lays it out again, once, as hidden.
    if (IndentLayoutRunning)
        return;
    IndentLayoutRunning = true;
    const QFontMetrics metrics(IndentPanel->font());
    const int h = metrics.height();
    const int w = metrics.horizontalAdvance(QLatin1Char('H'));
    const int x0 = RichEdit->mapTo(reBackPanel, QPoint(0, 0)).x() - IndentPanel->x();

    for (QLabel *l : {TopIndentLabel, LeftIndentLabel, RightIndentLabel})
        l->resize(metrics.horizontalAdvance(l->text()), h);
    for (QCheckBox *box : {SyncIndentCheckBox, SyncRightIndentCheckBox})
        box->resize(box->sizeHint());
    const int barTop = 2;
    const int barHeight = 3 * h / 2;
    const int secondTop = barTop + barHeight;

    const TEditArea &area = RichEdit->EditArea();
    const int o = (area.Width() - TopIndentLabel->width() - SyncIndentCheckBox->width() - 3) / 2;
    // Points the bars can reach: a large font can leave a bar with no range at all.
    const int range = MulDiv(o - 2 * w, 72, IndentPanel->logicalDpiX());
    if (o < 30 || range < 1) {
        IndentLayoutRunning = false;
        IndentPanelCommand(); // too narrow for usable bars: the panel closes
        return;
    }
    const int left = x0 + area.Margin().Left() - w;
    TopIndentTrackBar->setGeometry(left, barTop, o, barHeight);
    LeftIndentTrackBar->setGeometry(left, secondTop, o, barHeight);
    RightIndentTrackBar->setGeometry(area.Margin().Left() + x0 + area.Width() + w - o, secondTop, o, barHeight);
    for (QSlider *bar : {TopIndentTrackBar, LeftIndentTrackBar, RightIndentTrackBar}) {
        const QSignalBlocker quiet(bar);
        if (bar == RightIndentTrackBar)
            bar->setMinimum(-range);
        else
            bar->setMaximum(range);
    }
    const int panelHeight = barHeight + 2 * barTop + barHeight + 2;
    IndentPanel->setFixedHeight(panelHeight);
    VScrollTopPanel->setFixedHeight(panelHeight + 2);

    TopIndentLabel->move(TopIndentTrackBar->geometry().right() + 1, barTop);
    LeftIndentLabel->move(LeftIndentTrackBar->geometry().right() + 1, secondTop);
    RightIndentLabel->move(RightIndentTrackBar->x(), barTop);
    SyncIndentCheckBox->move(TopIndentLabel->geometry().right() + 1 + 3, barTop);
    SyncRightIndentCheckBox->move(RightIndentLabel->geometry().right() + 1 + 5, barTop);
    IndentLayoutRunning = false;
}

} // namespace velmo
