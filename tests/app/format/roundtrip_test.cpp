// A document formatted only through the window's own commands, saved, and opened by
// LibreOffice (converted to HTML): the formats arrive as they were given. Skipped where
// LibreOffice is not installed.
#include "app/popupcolormenu.h"
#include "formatfixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSlider>
#include <QStandardPaths>
#include <QToolBar>

#include <gtest/gtest.h>

using namespace velmo;

namespace {

using velmo::testing::waitUntil;

class RoundTripTest : public velmo::testing::FormatFixture {
protected:
    void face(const char *name)
    {
        const int at = form->FontNameComboBox->findText(QLatin1String(name));
        ASSERT_GE(at, 0) << name;
        form->FontNameComboBox->setCurrentIndex(at);
        emit form->FontNameComboBox->activated(at);
    }
    void sizeFromMenu(const char *size)
    {
        for (QAction *item : form->FontSizeMenu->actions())
            if (item->text() == QLatin1String(size))
                item->trigger();
    }
    void sizeTyped(const char *size)
    {
        QLineEdit *line = form->FontSizeComboBox->lineEdit();
        line->selectAll();
        QTest::keyClicks(line, QLatin1String(size));
    }
    void colour(int item)
    {
        emit form->ColorMenu->ColorPopup()->aboutToShow();
        form->ColorMenu->Item(item)->trigger();
    }
    // Types the four paragraphs and formats them with the toolbar, the menus and the keys.
    void typeAndFormat()
    {
        TExtMemo *edit = form->RichEdit;
        QTest::keyClicks(edit, QStringLiteral("Alpha Beta Gamma"));
        QTest::keyClick(edit, Qt::Key_Return);
        QTest::keyClicks(edit, QStringLiteral("Rightward"));
        QTest::keyClick(edit, Qt::Key_Return);
        QTest::keyClicks(edit, QStringLiteral("Listed"));
        QTest::keyClick(edit, Qt::Key_Return);
        QTest::keyClicks(edit, QStringLiteral("Indented"));

        select(0, 5);
        face("IPAGothic");
        sizeFromMenu("20");
        form->BoldButton->trigger();
        select(6, 4);
        face("IPAMincho");
        sizeTyped("14");
        form->ItalicButton->trigger();
        colour(9); // red
        select(11, 5);
        face("IPAMincho");
        sizeFromMenu("28");
        form->UnderlineButton->trigger();
        colour(12); // blue
        edit->SetSelStart(2);
        QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        edit->SetSelStart(20);
        form->AlRightButton->trigger();
        edit->SetSelStart(31);
        form->NumberingButton->trigger();
        edit->SetSelStart(40);
        QTest::keyClick(edit, Qt::Key_I, Qt::ControlModifier);
        form->SyncIndentCheckBox->setChecked(true);
        form->SyncRightIndentCheckBox->setChecked(false);
        form->TopIndentTrackBar->setSliderPosition(20);
        form->RightIndentTrackBar->setSliderPosition(-12);
    }
};

// The paragraph of the HTML holding word, from its "<p" to the word. (LibreOffice breaks
// its HTML lines between words: the words looked for are single words.)
QString paragraphUpTo(const QString &html, const QString &word)
{
    const qsizetype at = html.indexOf(word);
    if (at < 0)
        return {};
    const qsizetype start = html.lastIndexOf(QStringLiteral("<p"), at);
    return html.mid(start, at - start);
}

QString lastMatch(const QString &text, const QString &pattern)
{
    QString last;
    auto it = QRegularExpression(pattern).globalMatch(text);
    while (it.hasNext())
        last = it.next().captured(1);
    return last;
}

TEST_F(RoundTripTest, LibreOfficeReadsTheFormatsTheWindowGave)
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty())
        GTEST_SKIP() << "LibreOffice is not installed";
    open("roundtrip.rtf", "{\\rtf1\\ansi }");
    typeAndFormat();
    form->FileSaveMenu->trigger();
    ASSERT_FALSE(form->RichEdit->Modified());
    EXPECT_EQ(prompts.unscripted(), 0);

    QProcess office;
    const QString profile = QUrl::fromLocalFile(dir.filePath("office-profile")).toString();
    office.start(soffice, {QStringLiteral("-env:UserInstallation=") + profile, QStringLiteral("--headless"),
                           QStringLiteral("--convert-to"), QStringLiteral("html"), QStringLiteral("--outdir"),
                           dir.path(), dir.filePath("roundtrip.rtf")});
    ASSERT_TRUE(office.waitForFinished(300000)) << "LibreOffice did not finish";
    const QString html = QString::fromUtf8(bytesOf(dir.filePath("roundtrip.html")));
    ASSERT_TRUE(html.contains(QStringLiteral("Indented"))) << html.toStdString();

    struct Run {
        const char *word, *face, *size, *colour;
        bool bold, italic, underline;
    } runs[] = {
        {"Alpha", "IPAGothic", "20", "", true, false, false},
        {"Beta", "IPAMincho", "14", "#ff0000", false, true, false},
        {"Gamma", "IPAMincho", "28", "#0000ff", false, false, true},
    };
    for (const Run &r : runs) {
        SCOPED_TRACE(r.word);
        const QString before = paragraphUpTo(html, QLatin1String(r.word));
        EXPECT_EQ(lastMatch(before, QStringLiteral("face=\"([^\",]*)")), QLatin1String(r.face));
        EXPECT_EQ(lastMatch(before, QStringLiteral("font-size: (\\d+)pt")), QLatin1String(r.size));
        EXPECT_EQ(lastMatch(before, QStringLiteral("color=\"(#[0-9a-f]{6})")).replace("#000000", ""), QLatin1String(r.colour));
        // The run's own markup: after its size.
        const QString own = before.mid(before.lastIndexOf(QStringLiteral("font-size")));
        EXPECT_EQ(own.contains(QStringLiteral("<b>")), r.bold) << own.toStdString();
        EXPECT_EQ(own.contains(QStringLiteral("<i>")), r.italic) << own.toStdString();
        EXPECT_EQ(own.contains(QStringLiteral("<u>")), r.underline) << own.toStdString();
    }
    EXPECT_TRUE(paragraphUpTo(html, QStringLiteral("Alpha")).startsWith(QStringLiteral("<p align=\"center\"")));
    EXPECT_TRUE(paragraphUpTo(html, QStringLiteral("Rightward")).startsWith(QStringLiteral("<p align=\"right\"")));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("<li><p[^>]*>(<[^>]*>)*Listed")).match(html).hasMatch());
    const QString indented = paragraphUpTo(html, QStringLiteral("Indented"));
    EXPECT_FALSE(indented.contains(QStringLiteral("align=")));
    EXPECT_TRUE(indented.contains(QStringLiteral("margin-left: 0.28in"))) << indented.toStdString();
    EXPECT_TRUE(indented.contains(QStringLiteral("margin-right: 0.17in"))) << indented.toStdString();
}

// Pictures of the window for a person to look at: under a real X server (xvfb-run with
// QT_QPA_PLATFORM=xcb) and with VELMO_SCREENSHOTS naming a folder.
TEST_F(RoundTripTest, Screenshots)
{
    const QString folder = qEnvironmentVariable("VELMO_SCREENSHOTS");
    if (folder.isEmpty())
        GTEST_SKIP() << "VELMO_SCREENSHOTS names no folder";
    open("shot.rtf", "{\\rtf1\\ansi }");
    form->resize(900, 600);
    typeAndFormat();
    form->RoolerButton->trigger();
    form->RichEdit->SetSelStart(13);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    auto shoot = [&](const QString &name) {
        QCoreApplication::processEvents();
        QScreen *screen = form->screen();
        screen->grabWindow(0).save(QDir(folder).filePath(name));
    };
    shoot(QStringLiteral("indent-ruler.png"));
    QMenu *popup = form->ColorMenu->ColorPopup();
    QWidget *button = form->FormatsToolbar->widgetForAction(form->FontColorButton);
    popup->popup(button->mapToGlobal(QPoint(0, button->height())));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popup));
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Down);
    shoot(QStringLiteral("colour-menu.png"));
    popup->hide();
    form->RichEdit->SetModified(false);
}

} // namespace
