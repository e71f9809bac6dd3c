// The status bar: where the caret is, insert or overwrite, modified or read-only, and the
// document's name; its panels answer the pointer.
#include "app/statusbar.h"

#include "app/mainform.h"
#include "app/uitexts.h"
#include "editor/editlayout.h"
#include "editor/extmemo.h"
#include "settings/teoption.h"

#include <QCoreApplication>
#include <QCursor>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QStatusBar>
#include <QToolTip>

#include <algorithm>

namespace velmo {

namespace {

QString tr8(const char *text) { return QString::fromUtf8(text); }

// The editor toggles insert and overwrite on the Insert key itself; the window shows the
// result, so the key goes to the editor first and the window's handler runs after it.
class InsertKeyWatcher : public QObject {
public:
    InsertKeyWatcher(TMainForm *form, QObject *parent) : QObject(parent), form_(form) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress
            || static_cast<QKeyEvent *>(event)->key() != Qt::Key_Insert)
            return false;
        // Filters run before event(), so this reaches the editor's own key handler once.
        watched->event(event);
        form_->RichEditKeyDown(Qt::Key_Insert);
        return true;
    }

private:
    TMainForm *form_;
};

// Panel 2: "R" for a read-only document, else "*" while it is modified. Like the position
// panel, it is left alone while the bar is hidden.
void showStateMark(TMainForm &form)
{
    if (!form.StatusBar->isVisibleTo(&form))
        return;
    const char *mark = form.RichEdit->isReadOnly() ? statustexts::kReadOnlyMark
                       : form.RichEdit->Modified() ? statustexts::kModifiedMark
                                                   : "";
    form.StatusPanelStrip->setPanelText(2, tr8(mark));
}

} // namespace

TStatusPanelStrip::TStatusPanelStrip(QWidget *parent) : QWidget(parent)
{
    setMouseTracking(true);
}

void TStatusPanelStrip::setPanels(std::vector<QLabel *> panels)
{
    m_panels = std::move(panels);
    placePanels();
}

int TStatusPanelStrip::fixedWidths() const
{
    int sum = 0;
    for (std::size_t i = 0; i + 1 < m_panels.size(); ++i)
        sum += m_panels[i]->maximumWidth();
    return sum;
}

QSize TStatusPanelStrip::minimumSizeHint() const
{
    int height = 0;
    for (const QLabel *panel : m_panels)
        height = std::max(height, panel->sizeHint().height());
    return {fixedWidths(), height};
}

QSize TStatusPanelStrip::sizeHint() const
{
    return minimumSizeHint();
}

void TStatusPanelStrip::placePanels()
{
    int x = 0;
    for (std::size_t i = 0; i < m_panels.size(); ++i) {
        QLabel *panel = m_panels[i];
        const int w = i + 1 < m_panels.size() ? panel->maximumWidth() : std::max(0, width() - x);
        panel->setFixedSize(w, height());
        panel->move(x, 0);
        x += w;
    }
    // The bar's minimum width follows the fixed panels'.
    if (const int fixed = fixedWidths(); fixed != m_placedFixedWidths) {
        m_placedFixedWidths = fixed;
        updateGeometry();
    }
}

namespace {
// Posted when a key reaches the editor, below the priority of the window's repaint request.
const QEvent::Type kTypingHandled = QEvent::Type(QEvent::registerEventType());
} // namespace

void TStatusPanelStrip::followTyping(QWidget *editor)
{
    editor->installEventFilter(this);
}

bool TStatusPanelStrip::eventFilter(QObject *watched, QEvent *event)
{
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::InputMethod) && !m_typing) {
        m_typing = true;
        QCoreApplication::postEvent(this, new QEvent(kTypingHandled), Qt::LowEventPriority - 1);
    }
    return QWidget::eventFilter(watched, event);
}

void TStatusPanelStrip::setPanelText(int index, const QString &text)
{
    QLabel *panel = m_panels[std::size_t(index)];
    if (panel->text() == text)
        return;
    if (m_typing && panel->updatesEnabled()) {
        panel->setUpdatesEnabled(false);
        m_held.push_back(panel);
    }
    panel->setText(text);
}

void TStatusPanelStrip::releaseHeld()
{
    for (QLabel *panel : m_held)
        panel->setUpdatesEnabled(true); // and drawn with the next repaint
    m_held.clear();
}

bool TStatusPanelStrip::event(QEvent *event)
{
    // A panel given another width asks its parent to lay it out.
    if (event->type() == QEvent::LayoutRequest)
        placePanels();
    if (event->type() == kTypingHandled) {
        m_typing = false;
        releaseHeld();
        return true;
    }
    return QWidget::event(event);
}

void TStatusPanelStrip::resizeEvent(QResizeEvent *event)
{
    placePanels();
    QWidget::resizeEvent(event);
}

void TStatusPanelStrip::showEvent(QShowEvent *event)
{
    placePanels();
    QWidget::showEvent(event);
}

void TStatusPanelStrip::mousePressEvent(QMouseEvent *event)
{
    emit mouseDown(event->button(), int(event->position().x()));
    event->accept();
}

void TStatusPanelStrip::mouseMoveEvent(QMouseEvent *event)
{
    emit mouseMove(int(event->position().x()));
    QWidget::mouseMoveEvent(event);
}

void TMainForm::CreateStatusBar()
{
    StatusBar = statusBar();
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(true);
    auto *strip = new TStatusPanelStrip(StatusBar);
    strip->setObjectName(QStringLiteral("StatusPanelStrip"));
    struct Panel {
        const char *text;
        Qt::Alignment alignment;
        int width;
        bool bevel;
    };
    const Panel panels[4] = {
        {texts::kPanelColumns, Qt::AlignCenter, 120, false},
        {texts::kPanelIns, Qt::AlignCenter, 40, true},
        {"", Qt::AlignCenter, 20, true},
        {texts::kPanelFileName, Qt::AlignLeft | Qt::AlignVCenter, 750, true},
    };
    for (int i = 0; i < 4; ++i) {
        auto *label = new QLabel(tr8(panels[i].text), strip);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        label->setAlignment(panels[i].alignment);
        label->setFrameShape(panels[i].bevel ? QFrame::Panel : QFrame::NoFrame);
        label->setFrameShadow(QFrame::Sunken);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        // A pixel of room above and below the text: the underscore and the tails of g, p
        // and y reach a row past the font's descent at some sizes.
        label->setContentsMargins(0, 1, 0, 1);
        // The name panel takes whatever the other three leave, wide window or narrow.
        if (i < 3)
            label->setFixedWidth(panels[i].width);
        StatusPanels[i] = label;
    }
    strip->setPanels({StatusPanels.begin(), StatusPanels.end()});
    StatusBar->addWidget(strip, 1);
    StatusPanelStrip = strip;
    connect(strip, &TStatusPanelStrip::mouseDown, this,
            [this](Qt::MouseButton button, int x) { StatusBarMouseDown(button, x); });
    connect(strip, &TStatusPanelStrip::mouseMove, this, [this](int x) { StatusBarMouseMove(x); });
}

void TMainForm::ConnectStatusBar()
{
    RichEdit->installEventFilter(new InsertKeyWatcher(this, RichEdit));
    StatusPanelStrip->followTyping(RichEdit);
    // The mark follows the document's modified flag itself: a change that leaves the caret
    // where it was, and an undo back to the saved text, show at once.
    connect(RichEdit, &TRichEdit::ModifiedChange, this, [this] { showStateMark(*this); });
}

int TMainForm::StatusPanelWidth(int index) const
{
    // Panels 0 to 2 have a fixed width (valid before the first layout); the name panel takes
    // what the window leaves it.
    return index < 3 ? StatusPanels[index]->maximumWidth() : StatusPanels[index]->width();
}

void TMainForm::RichEditSelectionChange()
{
    if (StatusBar->isVisibleTo(this)) {
        // Lines count from 1, columns (bytes from the line's start) from 0.
        const QString position = QString::number(RichEdit->GetRow() + 1) + tr8(statustexts::kLinePart)
                                 + QString::number(RichEdit->GetColumn()) + tr8(statustexts::kColumnPart);
        StatusPanelStrip->setPanelText(0, position);
        StatusPanels[0]->setFixedWidth(QFontMetrics(StatusBar->font()).horizontalAdvance(position) + 10);
    }
    showStateMark(*this);
    UpdateFormatControls();
    KeepCaretInView(TEditAreaHost{RichEdit, reScrollBox, reBackPanel});
    MoveRulerCaretMark();
}

void TMainForm::RichEditChange()
{
    const QString name = Options ? Options->CurrentFile : QString();
    if (RichEdit->PlainText()) {
        FileNameText = name.isEmpty() ? tr8(statustexts::kUntitledTextName)
                                      : tr8(statustexts::kFileNamePrefix) + name;
        FileNameText += tr8(statustexts::kSizeOpen) + QString::number(RichEdit->GetTextLength())
                        + tr8(statustexts::kSizeClose);
    } else {
        FileNameText = name.isEmpty() ? QString() : tr8(statustexts::kFileNamePrefix) + name;
    }
    StatusPanelStrip->setPanelText(3, FileNameText);
}

void TMainForm::RichEditKeyDown(int key)
{
    if (key == Qt::Key_Insert)
        StatusPanels[1]->setText(tr8(RichEdit->InsertMode() ? statustexts::kInsert : statustexts::kOverwrite));
}

void TMainForm::SetStatusBarFontSize(int size)
{
    QFont font = StatusBar->font();
    font.setPointSize(size);
    // The panels inherit the bar's font, so they measure and draw with it.
    StatusBar->setFont(font);
    const QFontMetrics metrics(font);
    // The text's height + 6, but never less than the panels need to show their text whole:
    // the bar keeps 3 pixels above its panels and 2 below, and each panel has its bevel and
    // a pixel of room around the text. Text + 6 alone cut the descenders off.
    constexpr int kBarSpacing = 3 + 2;
    StatusBar->setFixedHeight(std::max(metrics.height() + 6, StatusPanels[3]->sizeHint().height() + kBarSpacing));
    StatusPanels[0]->setFixedWidth(metrics.horizontalAdvance(StatusPanels[0]->text()) + 10);
    StatusPanels[1]->setFixedWidth(std::max(metrics.horizontalAdvance(tr8(statustexts::kInsert)),
                                            metrics.horizontalAdvance(tr8(statustexts::kOverwrite)))
                                   + 10);
    StatusPanels[2]->setFixedWidth(metrics.horizontalAdvance(tr8(statustexts::kReadOnlyMark)) + 10);
}

void TMainForm::StatusBarMouseDown(Qt::MouseButton button, int x)
{
    const int w0 = StatusPanelWidth(0), w1 = StatusPanelWidth(1), w2 = StatusPanelWidth(2);
    // The position panel opens the go-to dialog just above the press.
    if (x < w0) {
        SearchJumpMenuClick(x);
        return;
    }
    if (x > w0 && x < w0 + w1) {
        // The same as the key: the editor toggles, the key handler shows it.
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Insert, Qt::NoModifier);
        QCoreApplication::sendEvent(RichEdit, &press);
        return;
    }
    if (x <= w0 + w1 + w2)
        return;
    QMenu *menu = nullptr;
    const char *text = nullptr;
    if (button == Qt::LeftButton) {
        menu = PopFileOpenMenu;
        text = statustexts::kHistoryMenuText;
    } else if (button == Qt::RightButton) {
        menu = PopFileOpenNewMenu;
        text = statustexts::kNewHistoryMenuText;
    }
    if (!menu)
        return;
    StatusPanels[3]->setText(tr8(text));
    // The menu opens upwards from the status bar's top edge, its left edge at the pointer.
    const QPoint at(StatusPanelStrip->mapToGlobal(QPoint(x, 0)).x(), StatusBar->mapToGlobal(QPoint(0, 0)).y());
    menu->exec(QPoint(at.x(), at.y() - menu->sizeHint().height()));
    StatusPanels[3]->setText(FileNameText);
}

void TMainForm::StatusBarMouseMove(int x)
{
    const int w0 = StatusPanelWidth(0), w1 = StatusPanelWidth(1), w2 = StatusPanelWidth(2);
    const char *hint = nullptr;
    if (x < w0)
        hint = statustexts::kHintPanel0;
    else if (x > w0 && x < w0 + w1)
        hint = statustexts::kHintPanel1;
    else if (x > w0 + w1 && x < w0 + w1 + w2)
        hint = statustexts::kHintPanel2;
    else if (x > w0 + w1 + w2)
        hint = statustexts::kHintPanel3;
    // On a boundary between two panels the hint stays as it was.
    if (!hint || StatusPanelStrip->toolTip() == tr8(hint))
        return;
    StatusPanelStrip->setToolTip(tr8(hint));
    // A hint already up follows the pointer into the next panel.
    if (QToolTip::isVisible())
        QToolTip::showText(QCursor::pos(), StatusPanelStrip->toolTip(), StatusPanelStrip);
}

QString TMainForm::StatusBarHint() const
{
    return StatusPanelStrip->toolTip();
}

void TMainForm::ShowProgressText(const QString &text)
{
    StatusPanels[3]->setText(text);
    // Progress texts frame work that keeps the event loop busy: paint them now.
    StatusPanelStrip->releaseHeld();
    StatusPanels[3]->repaint();
}

void TMainForm::RestoreFileNameText()
{
    StatusPanels[3]->setText(FileNameText);
}

} // namespace velmo
