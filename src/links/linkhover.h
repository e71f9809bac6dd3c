// The address links of one editor window: the pointer or the caret resting on an address
// shows it in the name panel of the status bar (and, for the pointer, as a tooltip); a left
// click without Shift, or Alt+Enter, opens it. It watches the editor through event filters,
// so the editor knows nothing of it.
#pragma once

#include "links/urllink.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QPoint;

namespace velmo {

class Shell;
class TRichEdit;

class TLinkHover : public QObject {
    Q_OBJECT
public:
    // What the link needs of its window.
    struct Window {
        // Whether links are switched on (the URLLink option); read on every event.
        std::function<bool()> enabled;
        // Puts a hint into the name panel of the status bar; an empty text gives the panel
        // back its file name.
        std::function<void(const QString &)> showHint;
    };

    // The text every hint begins with.
    static const QString kHintPrefix;
    // How long the tooltip over an address stays up.
    static constexpr int kTipMilliseconds = 5000;

    // Watches editor from now on; freed with parent (the window).
    TLinkHover(TRichEdit *editor, Shell *shell, Window window, QObject *parent);
    ~TLinkHover() override;

    // Shows the address at the byte position pos, or takes a hint of ours away. True when
    // there is an address.
    bool UpdateLinkHover(int pos);
    // Opens the address at pos, if any. Whether the desktop could open it is not reported.
    void OpenLinkAt(int pos);

    TUrlLink &Link() { return link_; }
    // The hint up now (empty when none).
    const QString &Hint() const { return hint_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool enabled() const;
    // The byte position under a point of the editor's viewport.
    int positionAt(const QPoint &viewportPoint) const;
    void hideTip();
    void takeHintAway();

    TRichEdit *editor_;
    Window window_;
    EditorLinkText text_;
    TUrlLink link_;
    QString hint_; // the hint this link put into the panel
    QString tip_;  // the tooltip it shows
};

} // namespace velmo
