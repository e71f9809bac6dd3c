// Where an editor window sits ([Window] of the settings file), where the next window is to
// appear (one cascade step down and right, back to the work area's corner when it would
// reach past it), and the rule that centres dialogs over the window.
#pragma once

#include "platform/screen.h"
#include "settings/profilestorage.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>
#include <memory>

class QWidget;

namespace velmo {

// The window a placement record restores and reports.
class TPlacementWindow {
public:
    virtual ~TPlacementWindow() = default;
    // 0 normal, 1 minimised, 2 maximised.
    virtual int WindowState() const = 0;
    virtual void SetWindowState(int state) = 0;
    // Left, top, width, height in screen pixels, as the window reports them (also while
    // minimised or maximised).
    virtual QRect Bounds() const = 0;
    virtual void SetBounds(const QRect &bounds) = 0;
};

// A top-level widget as a placement window. Its bounds are the outer rectangle, frame
// included where a window manager draws one, so that what is saved comes back unchanged.
// The frame is known only once the window is on screen: bounds set before that are set
// again, frame taken off, when the frame first shows up.
class WidgetPlacementWindow : public TPlacementWindow {
public:
    explicit WidgetPlacementWindow(QWidget *widget);
    ~WidgetPlacementWindow() override;
    int WindowState() const override;
    void SetWindowState(int state) override;
    QRect Bounds() const override;
    void SetBounds(const QRect &bounds) override;

private:
    class FrameWatch;
    // The frame's share of the outer size; empty while no frame is known.
    QSize frameExtra() const;
    void applyPending();

    QWidget *widget_;
    std::unique_ptr<FrameWatch> watch_;
    QRect pending_; // outer bounds set while the frame was unknown
};

class TWindowPlacement {
public:
    // Computes the next placement from the owner's bounds right away.
    TWindowPlacement(TPlacementWindow *owner, QString fileName, const Screen &screen,
                     ProfileStorage &storage = ProfileStorage::system());

    TPlacementWindow *Owner;
    QString SectionName = QStringLiteral("Window");
    QString FileName;
    std::int32_t NextLeft = 0, NextTop = 0, NextWidth = 0, NextHeight = 0;

    // WindowState first, then Left, Top, Width, Height, each applied as it is read.
    void Load(const QString &fileName = {});
    void Save(const QString &fileName = {});
    // UpdateNext, then Left/Top/Width/Height := the next placement; WindowState untouched.
    void SaveNextPlacement(const QString &fileName = {});
    void UpdateNext();
    // The placement for the window after one at `bounds` (size unchanged).
    QRect NextPlacement(const QRect &bounds) const;
    // Moves the dialog over the centre of the owner window, kept inside the work area.
    void CenterOverMainWindow(QWidget *dialog) const;
    // The position that rule gives a dialog of that size over a window at `owner`.
    static QPoint CenterOver(const QRect &owner, const QSize &dialog, const ScreenRect &workArea);

private:
    QString resolve(const QString &fileName) const { return fileName.isEmpty() ? FileName : fileName; }
    const Screen *screen_;
    ProfileStorage *storage_;
};

} // namespace velmo
