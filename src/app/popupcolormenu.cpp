#include "app/popupcolormenu.h"

#include "app/formattexts.h"

#include "editor/textattributes.h"

#include <QAction>
#include <QColorDialog>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>

namespace velmo {

namespace {

// The other-colour item's caption only gives it its key; it shows its text.
const char kOtherCaption[] = "&O";

QString otherText() { return QString::fromUtf8(formattexts::kOtherColorText); }

// Item sizes of the swatch menu: every item as wide as the other-colour text and 2 pixels,
// swatches 12 pixels high, the other-colour item its text's height and 2; no margins.
class SwatchStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget) const override
    {
        if (type != CT_MenuItem)
            return QProxyStyle::sizeFromContents(type, option, size, widget);
        const QFontMetrics metrics = widget ? widget->fontMetrics() : option->fontMetrics;
        const int width = metrics.horizontalAdvance(otherText()) + 2;
        const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
        const bool other = item && item->text == QLatin1String(kOtherCaption);
        return QSize(width, other ? metrics.height() + 2 : 12);
    }
    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        switch (metric) {
        case PM_MenuHMargin:
        case PM_MenuVMargin:
        case PM_MenuPanelWidth:
        case PM_MenuDesktopFrameWidth:
            return 0;
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }
};

// The menu draws its items itself, from their tags.
class SwatchMenu : public QMenu {
public:
    SwatchMenu(QWidget *parent, const TColor *current) : QMenu(parent), current_(current) {}

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter p(this);
        const QColor menu = palette().color(QPalette::Window);
        p.fillRect(event->rect(), menu);
        for (QAction *action : actions()) {
            const QRect r = actionGeometry(action);
            if (!r.intersects(event->rect()))
                continue;
            const int tag = action->data().toInt();
            const bool selected = activeAction() == action;
            const bool current = tag >= 0 && TColor(tag) == *current_;
            const QColor back = selected ? palette().color(QPalette::Highlight) : current ? QColor(Qt::black) : menu;
            p.fillRect(r, back);
            if (tag < 0) {
                const QString text = otherText();
                const QFontMetrics m = fontMetrics();
                const int left = r.left() + r.width() / 2 - m.horizontalAdvance(text) / 2;
                const int top = r.top() + r.height() / 2 - m.height() / 2;
                p.setPen(palette().color(selected ? QPalette::HighlightedText : QPalette::WindowText));
                p.drawText(QRect(left, top, m.horizontalAdvance(text), m.height()), Qt::AlignLeft | Qt::AlignTop, text);
                continue;
            }
            const int inset = (selected || current) ? 2 : 1;
            p.fillRect(r.adjusted(inset, inset, -inset, -inset), toQColor(TColor(tag)));
        }
    }

private:
    const TColor *current_;
};

} // namespace

const std::array<TColor, TPopupColorMenu::kColorCount> TPopupColorMenu::kColors = {
    0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
    0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF,
};

TPopupColorMenu::TPopupColorMenu(QWidget *parentForm, Handler onPopup, Handler onClick)
    : QObject(parentForm), OnPopup(std::move(onPopup)), OnClick(std::move(onClick)), m_parentForm(parentForm)
{
    m_custom.fill(qRgb(0xFF, 0xFF, 0xFF));
    m_popup = new SwatchMenu(parentForm, &CurrentColor);
    m_popup->setObjectName(QStringLiteral("ColorPopup"));
    auto *style = new SwatchStyle;
    style->setParent(m_popup);
    m_popup->setStyle(style);
    for (int n = 0; n < kColorCount; ++n) {
        QAction *item = m_popup->addAction(QStringLiteral("pcmMenuItem%1").arg(n));
        item->setObjectName(item->text());
        item->setData(int(kColors[std::size_t(n)]));
        m_items[std::size_t(n)] = item;
    }
    QAction *other = m_popup->addAction(QLatin1String(kOtherCaption));
    other->setObjectName(QStringLiteral("pcmOtherMenuItem"));
    other->setData(kOtherTag);
    m_items[kColorCount] = other;
    ExecDialog = [](QColorDialog &dialog) { return dialog.exec() == QDialog::Accepted; };
    connect(m_popup, &QMenu::aboutToShow, this, [this] {
        if (OnPopup)
            OnPopup(nullptr);
    });
    connect(m_popup, &QMenu::triggered, this, [this](QAction *item) { Choose(item); });
}

TPopupColorMenu::~TPopupColorMenu()
{
    delete m_popup;
}

void TPopupColorMenu::Choose(QAction *item)
{
    const int tag = item->data().toInt();
    if (tag >= 0) {
        CurrentColor = TColor(tag);
    } else {
        // Qt keeps the dialog's custom colours for the whole process and writes them into
        // its own configuration file: ours are put in for the dialog's time only, and Qt's
        // own are put back afterwards, so neither side sees the other's.
        std::array<QRgb, kColorCount> qtOwn{};
        for (int i = 0; i < kColorCount; ++i) {
            qtOwn[std::size_t(i)] = QColorDialog::customColor(i).rgb();
            QColorDialog::setCustomColor(i, QColor::fromRgb(m_custom[std::size_t(i)]));
        }
        bool confirmed = false;
        QColor chosen;
        {
            QColorDialog dialog(m_parentForm);
            dialog.setOption(QColorDialog::DontUseNativeDialog);
            dialog.setCurrentColor(toQColor(CurrentColor));
            confirmed = ExecDialog(dialog);
            chosen = dialog.currentColor();
            // Before the dialog goes: Qt may write the colours out as it destroys it.
            for (int i = 0; i < kColorCount; ++i) {
                m_custom[std::size_t(i)] = QColorDialog::customColor(i).rgb();
                QColorDialog::setCustomColor(i, QColor::fromRgb(qtOwn[std::size_t(i)]));
            }
        }
        if (!confirmed || !chosen.isValid())
            return; // nothing was chosen: the owner's colours stay as they are
        CurrentColor = fromQColor(chosen);
    }
    if (OnClick)
        OnClick(item);
}

} // namespace velmo
