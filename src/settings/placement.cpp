#include "settings/placement.h"

#include "settings/profilefile.h"

#include <QEvent>
#include <QWidget>

namespace velmo {

// Sees the window move or resize, which is how a frame drawn by the window manager first
// makes itself known.
class WidgetPlacementWindow::FrameWatch : public QObject {
public:
    explicit FrameWatch(WidgetPlacementWindow *owner) : owner_(owner) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (type == QEvent::Move || type == QEvent::Resize || type == QEvent::Show)
            owner_->applyPending();
        return false;
    }

private:
    WidgetPlacementWindow *owner_;
};

WidgetPlacementWindow::WidgetPlacementWindow(QWidget *widget)
    : widget_(widget), watch_(std::make_unique<FrameWatch>(this))
{
    widget_->installEventFilter(watch_.get());
}

WidgetPlacementWindow::~WidgetPlacementWindow() = default;

int WidgetPlacementWindow::WindowState() const
{
    if (widget_->windowState() & Qt::WindowMinimized)
        return 1;
    if (widget_->windowState() & Qt::WindowMaximized)
        return 2;
    return 0;
}

void WidgetPlacementWindow::SetWindowState(int state)
{
    Qt::WindowStates s = widget_->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (state == 1)
        s |= Qt::WindowMinimized;
    else if (state == 2)
        s |= Qt::WindowMaximized;
    widget_->setWindowState(s);
}

QRect WidgetPlacementWindow::Bounds() const
{
    return widget_->frameGeometry();
}

QSize WidgetPlacementWindow::frameExtra() const
{
    return widget_->frameGeometry().size() - widget_->size();
}

void WidgetPlacementWindow::SetBounds(const QRect &bounds)
{
    const QSize extra = frameExtra();
    // Until the frame is known the client takes the whole size; the frame's share comes
    // off when it shows up.
    pending_ = extra.isNull() ? bounds : QRect();
    widget_->move(bounds.topLeft());
    widget_->resize((bounds.size() - extra).expandedTo(QSize(0, 0)));
}

void WidgetPlacementWindow::applyPending()
{
    if (pending_.isNull() || frameExtra().isNull())
        return;
    const QRect bounds = pending_;
    pending_ = QRect();
    widget_->move(bounds.topLeft());
    widget_->resize((bounds.size() - frameExtra()).expandedTo(QSize(0, 0)));
}

TWindowPlacement::TWindowPlacement(TPlacementWindow *owner, QString fileName,
                                   const Screen &screen, ProfileStorage &storage)
    : Owner(owner), FileName(std::move(fileName)), screen_(&screen), storage_(&storage)
{
    UpdateNext();
}

void TWindowPlacement::Load(const QString &fileName)
{
    const QString file = resolve(fileName);
    if (file.isEmpty() || !Owner)
        return;
    const TProfileFile ini(file, *storage_);
    Owner->SetWindowState(ini.ReadInteger(SectionName, QStringLiteral("WindowState"), 0));
    QRect r = Owner->Bounds();
    r.moveLeft(ini.ReadInteger(SectionName, QStringLiteral("Left"), 0));
    Owner->SetBounds(r);
    r.moveTop(ini.ReadInteger(SectionName, QStringLiteral("Top"), 0));
    Owner->SetBounds(r);
    r.setWidth(ini.ReadInteger(SectionName, QStringLiteral("Width"), 640));
    Owner->SetBounds(r);
    r.setHeight(ini.ReadInteger(SectionName, QStringLiteral("Height"), 400));
    Owner->SetBounds(r);
}

void TWindowPlacement::Save(const QString &fileName)
{
    const QString file = resolve(fileName);
    if (file.isEmpty() || !Owner)
        return;
    TProfileFile ini(file, *storage_);
    const QRect r = Owner->Bounds();
    ini.WriteInteger(SectionName, QStringLiteral("WindowState"), Owner->WindowState());
    ini.WriteInteger(SectionName, QStringLiteral("Left"), r.x());
    ini.WriteInteger(SectionName, QStringLiteral("Top"), r.y());
    ini.WriteInteger(SectionName, QStringLiteral("Width"), r.width());
    ini.WriteInteger(SectionName, QStringLiteral("Height"), r.height());
}

void TWindowPlacement::SaveNextPlacement(const QString &fileName)
{
    const QString file = resolve(fileName);
    if (file.isEmpty())
        return;
    UpdateNext();
    TProfileFile ini(file, *storage_);
    ini.WriteInteger(SectionName, QStringLiteral("Left"), NextLeft);
    ini.WriteInteger(SectionName, QStringLiteral("Top"), NextTop);
    ini.WriteInteger(SectionName, QStringLiteral("Width"), NextWidth);
    ini.WriteInteger(SectionName, QStringLiteral("Height"), NextHeight);
}

void TWindowPlacement::UpdateNext()
{
    if (!Owner)
        return;
    const QRect next = NextPlacement(Owner->Bounds());
    NextLeft = next.x();
    NextTop = next.y();
    NextWidth = next.width();
    NextHeight = next.height();
}

QRect TWindowPlacement::NextPlacement(const QRect &bounds) const
{
    const ScreenRect area = screen_->workArea();
    const int d = screen_->cascadeStep();
    const int l = bounds.x(), t = bounds.y(), w = bounds.width(), h = bounds.height();
    if (l + w + d > area.right || t + h + d > area.bottom)
        return QRect(area.left, area.top, w, h);
    return QRect(l + d, t + d, w, h);
}

QPoint TWindowPlacement::CenterOver(const QRect &owner, const QSize &dialog,
                                    const ScreenRect &area)
{
    const int w = dialog.width(), h = dialog.height();
    int left = owner.x() + owner.width() / 2 - w / 2;
    int top = owner.y() + owner.height() / 2 - h / 2;
    if (left <= 0)
        left = area.left;
    if (top <= 0)
        top = area.top;
    // Compared with the work area's extent, not its far edge.
    if (left + w > area.right - area.left)
        left = owner.x() + owner.width() - w;
    if (top + h > area.bottom - area.top)
        top = owner.y() + owner.height() - h;
    return QPoint(left, top);
}

void TWindowPlacement::CenterOverMainWindow(QWidget *dialog) const
{
    if (!dialog || !Owner)
        return;
    // A dialog that has never been sized takes the size it will be shown with.
    if (!dialog->testAttribute(Qt::WA_Resized))
        dialog->adjustSize();
    dialog->move(CenterOver(Owner->Bounds(), dialog->size(), screen_->workArea()));
}

} // namespace velmo
