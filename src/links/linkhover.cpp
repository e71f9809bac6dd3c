#include "links/linkhover.h"

#include "editor/richedit.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolTip>

namespace velmo {

const QString TLinkHover::kHintPrefix = QStringLiteral("URL> ");

TLinkHover::TLinkHover(TRichEdit *editor, Shell *shell, Window window, QObject *parent)
    : QObject(parent), editor_(editor), window_(std::move(window)), text_(*editor), link_(text_, shell)
{
    setObjectName(QStringLiteral("UrlLink"));
    editor_->viewport()->setMouseTracking(true);
    editor_->viewport()->installEventFilter(this);
    editor_->installEventFilter(this);
    connect(editor_, &TRichEdit::SelectionChange, this, [this] {
        if (enabled())
            UpdateLinkHover(editor_->SelStart());
        else
            takeHintAway();
    });
}

TLinkHover::~TLinkHover()
{
    hideTip();
}

bool TLinkHover::enabled() const
{
    return window_.enabled && window_.enabled();
}

bool TLinkHover::UpdateLinkHover(int pos)
{
    if (!link_.FindAddressAt(pos)) {
        takeHintAway();
        return false;
    }
    const QString hint = kHintPrefix + link_.AddressText();
    if (hint != hint_) {
        hint_ = hint;
        if (window_.showHint)
            window_.showHint(hint_);
    }
    return true;
}

void TLinkHover::OpenLinkAt(int pos)
{
    if (UpdateLinkHover(pos))
        link_.OpenAddress();
}

void TLinkHover::takeHintAway()
{
    hideTip();
    if (hint_.isEmpty())
        return;
    // Only a hint of ours is taken away: a progress text in the panel stays.
    hint_.clear();
    if (window_.showHint)
        window_.showHint(QString());
}

void TLinkHover::hideTip()
{
    if (tip_.isEmpty())
        return;
    // Another widget's tooltip may be up by now: leave it.
    if (QToolTip::isVisible() && QToolTip::text() == tip_)
        QToolTip::hideText();
    tip_.clear();
}

int TLinkHover::positionAt(const QPoint &viewportPoint) const
{
    // CharFromPos takes the editor's client coordinates, whose origin is its contents area.
    const QPoint client = viewportPoint + editor_->viewport()->geometry().topLeft() - editor_->contentsRect().topLeft();
    return editor_->CharFromPos(client.x(), client.y());
}

bool TLinkHover::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseMove && type != QEvent::MouseButtonPress && type != QEvent::Leave
        && type != QEvent::KeyPress)
        return false;
    if (!enabled()) {
        takeHintAway();
        return false;
    }
    if (watched == editor_) {
        if (type != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) || !(key->modifiers() & Qt::AltModifier))
            return false;
        // Alt+Enter is the link's key: it opens, it does not end the paragraph.
        OpenLinkAt(editor_->SelStart());
        return true;
    }
    if (watched != editor_->viewport())
        return false;
    switch (type) {
    case QEvent::MouseMove: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (!UpdateLinkHover(positionAt(mouse->position().toPoint())))
            break;
        // Up at once and for a few seconds; shown again when the pointer reaches another
        // address, not on every move over the same one.
        if (tip_ != hint_) {
            tip_ = hint_;
            QToolTip::showText(mouse->globalPosition().toPoint(), tip_, editor_->viewport(), QRect(),
                               kTipMilliseconds);
        }
        break;
    }
    case QEvent::MouseButtonPress: {
        // The press goes on to the editor, which puts the caret there as usual.
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && !(mouse->modifiers() & Qt::ShiftModifier))
            OpenLinkAt(positionAt(mouse->position().toPoint()));
        break;
    }
    case QEvent::Leave:
        takeHintAway();
        break;
    default:
        break;
    }
    return false;
}

} // namespace velmo
