// The system-information report: its lines from a known machine, the window list, and the
// dialog page that shows and copies it.
#include "app/optionform.h"
#include "doubles/fixedscreen.h"
#include "app/optiontexts.h"
#include "app/systemreport.h"
#include "doubles/fakeprinters.h"
#include "doubles/recordingbuswindow.h"
#include "mainformfixture.h"
#include "platform/systemqueries.h"
#include "settings/pagesetup.h"

#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QPushButton>

namespace velmo {
namespace {

using testing::u8;

TSystemSnapshot machine()
{
    TSystemSnapshot s;
    s.ComputerName = "desk";
    s.UserName = "hanako";
    s.OsName = "Linux";
    s.OsRelease = "6.1.0-18-amd64";
    s.Distribution = "Debian GNU/Linux 12 (bookworm)";
    s.ProcessorCount = 8;
    s.ProcessorName = "AMD Ryzen 7 5700G with Radeon Graphics";
    s.ScreenWidth = 1920;
    s.ScreenHeight = 1080;
    s.MountPoint = "/home";
    s.FreeBytes = 512ll * 1024 * 1024;
    s.FreeBytesTotal = 512ll * 1024 * 1024;
    return s;
}

TEST(SystemReport, LinesFromAKnownMachineWithoutPrinter)
{
    FakePrinters printers; // no printer
    FixedScreen screen;
    TPageSetup page(printers, screen);
    TSystemReportInput in{machine(), "/opt/velmo/velmo", 10000000, 0, 96, &page};
    const QStringList expected = {
        u8("--- Velmo --------------------------------------------"),
        u8("バージョン: 2.66 2002/04/15"),
        u8("実行ファイル名: /opt/velmo/velmo"),
        u8("編集可能文書サイズ: 10000KB"),
        u8("実行中のVelmoウインドウ数: 1"),
        u8("--- CPU/Memory ---------------------------------------"),
        u8("ＣＰＵタイプ: AMD Ryzen 7 5700G with Radeon Graphics x 8"),
        u8("--- Operating System ---------------------------------"),
        u8("Linux 6.1.0-18-amd64 Debian GNU/Linux 12 (bookworm)"),
        u8("--- User ---------------------------------------------"),
        u8("コンピューター名: desk"),
        u8("ユーザー名: hanako"),
        u8("--- Display ------------------------------------------"),
        u8("画面サイズ 1920 x 1080"),
        u8("解像度:    96DPI"),
        u8("--- Printer ------------------------------------------"),
        u8("現在のプリンタ: ") + TPageSetup::UnavailableName(),
        u8("--- Disk ---------------------------------------------"),
        u8("カレントドライブ: /home"),
        u8("空き容量: 524288KBytes(536870KBytes)"),
    };
    EXPECT_EQ(SystemReportLines(in), expected);
}

TEST(SystemReport, PrinterLinesAndOddFigures)
{
    PrinterGeometry g;
    g.name = "Office";
    g.resolutionX = g.resolutionY = 600;
    g.paperWidthDots = 4961;
    g.paperHeightDots = 7016;
    g.pageWidthDots = 4725;
    g.pageHeightDots = 6780;
    g.pageWidthMM = 200;
    g.pageHeightMM = 287;
    g.offsetX = g.offsetY = 118;
    FakePrinters printers(g);
    FixedScreen screen;
    TPageSetup page(printers, screen);
    TSystemSnapshot s = machine();
    s.ProcessorName.clear();
    s.FreeBytes = -1;
    s.FreeBytesTotal = -1;
    TSystemReportInput in{s, "/v", 0, 2, 120, &page};
    const QStringList lines = SystemReportLines(in);
    EXPECT_EQ(lines[3], u8("編集可能文書サイズ: 64KB(Limited)"));
    EXPECT_EQ(lines[4], u8("実行中のVelmoウインドウ数: 3"));
    EXPECT_EQ(lines[6], u8("ＣＰＵタイプ: Unknown x 8"));
    EXPECT_EQ(lines[16], u8("現在のプリンタ: Office"));
    EXPECT_EQ(lines[17], u8("用紙サイズ: %1x%2mm").arg(page.PaperWidthMM).arg(page.PaperHeightMM));
    EXPECT_EQ(lines[18], u8("印字可能範囲: 200x287mm"));
    EXPECT_EQ(lines[19], u8("解像度: 600x600DPI"));
    EXPECT_EQ(lines.last(), u8("空き容量: 不明(0KBytes)"));
}

TEST(SystemReport, LinuxFactsAreReadFromTheirFiles)
{
    const QByteArray cpuinfo = "processor\t: 0\nvendor_id\t: GenuineIntel\nmodel name\t: Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz\n\n"
                               "processor\t: 1\nmodel name\t: Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz\n";
    EXPECT_EQ(LinuxSystemQueries::ProcessorModel(cpuinfo), "Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz");
    EXPECT_EQ(LinuxSystemQueries::ProcessorCount(cpuinfo), 2);
    EXPECT_EQ(LinuxSystemQueries::ProcessorModel("processor : 0\nBogoMIPS : 50\n"), "Unknown");
    EXPECT_EQ(LinuxSystemQueries::PrettyName("NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
              "Debian GNU/Linux 12 (bookworm)");
    // The running machine answers with something of every kind.
    const TSystemSnapshot s = LinuxSystemQueries().snapshot(QDir::currentPath());
    EXPECT_FALSE(s.OsRelease.isEmpty());
    EXPECT_GT(s.ProcessorCount, 0);
    EXPECT_FALSE(s.MountPoint.isEmpty());
    EXPECT_GE(s.FreeBytes, 0);
}

// Only the editor's own windows are listed, never another program's.
TEST(SystemReport, TheWindowListNamesOnlyVelmoWindows)
{
    std::vector<WindowInfo> windows = {
        {1001, "Velmo: /home/hanako/letter.txt", "TMainForm", true},
        {1002, "Bank statement - Browser", "Navigator", true},
        {1003, "Velmo", "TMainForm", true},
        {1004, "", "", false},
    };
    const QStringList expected = {u8("--- Applications ------------------------------------"),
                                  u8("--- Handle:------ ClassName:------ WindowText -------"),
                                  "1001: TMainForm: Velmo: /home/hanako/letter.txt", "1003: TMainForm: Velmo"};
    EXPECT_EQ(WindowListLines(windows), expected);
}

class FixedQueries : public SystemQueries {
public:
    TSystemSnapshot snapshot(const QString &) const override { return machine(); }
};

using SystemPageTest = testing::MainFormFixture;

TEST_F(SystemPageTest, TheListButtonAppendsAListEachPressAndCopyTakesEverything)
{
    writeSettings();
    auto form = start();
    RecordingBusWindow other(QStringLiteral("Velmo: b.txt"), QStringLiteral("TMainForm"));
    RecordingBusWindow stranger(QStringLiteral("Secret mail"), QStringLiteral("MailClient"));
    network.addWindow(&other);
    network.addWindow(&stranger);
    FixedQueries queries;
    TOptionForm dialog(*form, &queries);
    const QString report = dialog.InfoMemo->toPlainText();
    EXPECT_TRUE(report.contains(u8("実行中のVelmoウインドウ数: 2")));
    EXPECT_TRUE(report.contains(u8("ＣＰＵタイプ: AMD Ryzen 7 5700G with Radeon Graphics x 8")));
    dialog.GetAppsButton->click();
    dialog.GetAppsButton->click();
    const QString text = dialog.InfoMemo->toPlainText();
    EXPECT_EQ(text.count(u8("--- Applications")), 2);
    EXPECT_EQ(text.count("TMainForm: Velmo: b.txt"), 2);
    EXPECT_FALSE(text.contains("Secret mail"));
    dialog.CopySysInfoButton->click();
    EXPECT_EQ(QApplication::clipboard()->text(), text);
    EXPECT_FALSE(dialog.InfoMemo->textCursor().hasSelection());
}

} // namespace
} // namespace velmo
