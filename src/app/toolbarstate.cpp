// Where the two toolbars stand: dock area, row and position within the row, kept in the
// settings file in a section named after each toolbar.
#include "app/mainform.h"

#include "settings/profilefile.h"

#include <QLayout>
#include <QToolBar>

#include <algorithm>
#include <map>
#include <set>

namespace velmo {

namespace {

struct Dock {
    const char *name;
    Qt::ToolBarArea area;
};
constexpr Dock kDocks[] = {{"TopDock", Qt::TopToolBarArea},
                           {"BottomDock", Qt::BottomToolBarArea},
                           {"LeftDock", Qt::LeftToolBarArea},
                           {"RightDock", Qt::RightToolBarArea}};

bool horizontal(Qt::ToolBarArea area)
{
    return area == Qt::TopToolBarArea || area == Qt::BottomToolBarArea;
}

} // namespace

void TMainForm::SaveToolbarPositions()
{
    TProfileFile ini(SettingsFileName(), *services_.storage);
    // Rows are read from where the toolbars stand, so a pending re-layout must be done first.
    if (layout())
        layout()->activate();
    const QList<QToolBar *> bars = {Toolbar, FormatsToolbar};
    for (QToolBar *bar : bars) {
        const Qt::ToolBarArea area = toolBarArea(bar);
        QString dock = QStringLiteral("nil");
        for (const Dock &d : kDocks)
            if (d.area == area && !bar->isFloating())
                dock = QLatin1String(d.name);
        // Rows are told apart by their distance from the window edge.
        std::set<int> rows;
        for (QToolBar *other : bars)
            if (toolBarArea(other) == area && !other->isFloating())
                rows.insert(horizontal(area) ? other->y() : other->x());
        const int across = horizontal(area) ? bar->y() : bar->x();
        const int row = int(std::distance(rows.begin(), rows.find(across)));
        const QString section = bar->objectName();
        ini.WriteBool(section, QStringLiteral("Visible"), !bar->isHidden());
        ini.WriteString(section, QStringLiteral("DockedTo"), dock);
        ini.WriteInteger(section, QStringLiteral("DockRow"), bar->isFloating() ? 0 : row);
        ini.WriteInteger(section, QStringLiteral("DockPos"),
                         bar->isFloating() ? 0 : horizontal(area) ? bar->x() : bar->y());
        const QRect f = bar->isFloating() ? bar->frameGeometry() : QRect();
        ini.WriteInteger(section, QStringLiteral("FloatLeft"), f.isNull() ? 0 : f.left());
        ini.WriteInteger(section, QStringLiteral("FloatTop"), f.isNull() ? 0 : f.top());
        ini.WriteInteger(section, QStringLiteral("FloatRight"), f.isNull() ? 0 : f.right() + 1);
        ini.WriteInteger(section, QStringLiteral("FloatBottom"), f.isNull() ? 0 : f.bottom() + 1);
        ini.WriteInteger(section, QStringLiteral("FloatRightX"), f.isNull() ? 0 : f.width());
    }
}

void TMainForm::LoadToolbarPositions()
{
    TProfileFile ini(SettingsFileName(), *services_.storage);
    struct Place {
        QToolBar *bar;
        Qt::ToolBarArea area;
        int row;
        int pos;
        bool visible;
    };
    std::vector<Place> places;
    for (QToolBar *bar : {Toolbar, FormatsToolbar}) {
        const QString section = bar->objectName();
        if (!ini.SectionExists(section))
            return; // nothing stored yet: the toolbars stay as built
        Place place{bar, Qt::TopToolBarArea, ini.ReadInteger(section, QStringLiteral("DockRow"), 0),
                    ini.ReadInteger(section, QStringLiteral("DockPos"), 0),
                    ini.ReadBool(section, QStringLiteral("Visible"), true)};
        // A toolbar stored as floating comes back docked at the top: the window opens with
        // all its controls within reach.
        const QString dock = ini.ReadString(section, QStringLiteral("DockedTo"), QStringLiteral("TopDock"));
        for (const Dock &d : kDocks)
            if (dock.compare(QLatin1String(d.name), Qt::CaseInsensitive) == 0)
                place.area = d.area;
        places.push_back(place);
    }
    std::stable_sort(places.begin(), places.end(), [](const Place &a, const Place &b) {
        return a.area != b.area ? a.area < b.area : a.row != b.row ? a.row < b.row : a.pos < b.pos;
    });
    for (const Place &p : places) {
        removeToolBarBreak(p.bar);
        removeToolBar(p.bar);
    }
    for (size_t i = 0; i < places.size(); ++i) {
        const Place &p = places[i];
        if (i > 0 && places[i - 1].area == p.area && places[i - 1].row != p.row)
            addToolBarBreak(p.area);
        addToolBar(p.area, p.bar);
        p.bar->setVisible(p.visible);
    }
}

} // namespace velmo
