// The option records: what a fresh window writes, what hand-edited values read as, and the
// rules for the version stamp, the last edited file and refused writes.
#include "settingstest.h"

#include "doubles/fixedscreen.h"

#include "doubles/fakeprinters.h"
#include "doubles/faultyprofilestorage.h"
#include "platform/componenterror.h"
#include "platform/cp932codec.h"
#include "settings/teoption.h"

#include <QDir>
#include <QFile>
#include <QObject>

namespace velmo {
namespace {

using test::crlf;
using test::TempIni;

const char kRichFace[] = "ＭＳ Ｐ明朝";
const char kTextFace[] = "ＭＳ ゴシック";

std::string sjis(const char *utf8)
{
    return cp932::encode(QString::fromUtf8(utf8).toStdU16String()).bytes;
}

struct Records {
    explicit Records(const QString &file, ProfileStorage &storage = ProfileStorage::system())
        : app(file, storage), options(&owner, file, printers, screen, storage)
    {
    }
    QObject owner;
    FakePrinters printers;      // no printer: page setup in its fallback state
    FixedScreen screen;         // 96 pixels per inch
    TAppRecord app;
    TGeneralOptions options;
};

TEST(Records, FreshWindowSavesTheDocumentedDefaults)
{
    TempIni f;
    Records r(f.path());
    EXPECT_TRUE(r.app.Load());
    r.app.Save();
    r.options.Save();
    const std::string dir = QDir::currentPath().toStdString();
    const std::string profile =
        "Size=10\nCharset=128\nFontPitch=%P\nFontHeight=-13\nStyles=%P0000\n"
        "FontColor=-2147483640\nBackColor=-2147483643\nCrLfColor=16711680\nCrLfOption=0\n"
        "EotColor=12632256\nEotOption=0\nWordWrapMode=1\n";
    const auto withPitch = [&](char pitch) {
        std::string p = profile;
        for (size_t at; (at = p.find("%P")) != std::string::npos;)
            p.replace(at, 2, 1, pitch);
        return p;
    };
    const std::string expected =
        crlf("[Velmo]\nCopyright=" + TAppRecord::Copyright().toStdString()
             + "\nVersion=2.66\nDate=2002/04/15\n\n"
               "[Options]\nCurrentDir=" + dir + "\nPlainText=0\nFileNameTitle=1\nShowToolBar=1\n"
               "ShowRooler=0\nButtonSize=22\nShowStatusBar=1\nStatusBarFontSize=9\n"
               "ShowFontName=1\nMakeBackup=0\nUseTrashBox=1\nAutoOpen=0\nSaveDataDir=0\n"
               "MaxHistoryItems=10\nURLLink=1\n\n"
               "[RichTextFonts]\nFaceName=" + sjis(kRichFace) + "\n" + withPitch('0') + "\n"
               "[TextModeFonts]\nFaceName=" + sjis(kTextFace) + "\n" + withPitch('2') + "\n"
               "[Printers]\nLeftMargin=20\nTopMargin=20\nRightMargin=20\nBottomMargin=20\n\n"
               "[IMEFontStyles]\ncIME1Text=8388608\ncIME2Text=16777215\ncIME3Text=16711680\n"
               "cIME1Back=16777215\ncIME2Back=8388608\ncIME3Back=16777215\n"
               "IME1Styles=001\nIME2Styles=000\nIME3Styles=001\n");
    EXPECT_EQ(f.read(), expected);
    EXPECT_FALSE(r.app.Load());
}

TEST(Records, SaveThenLoadGivesTheSameRecords)
{
    TempIni f;
    Records saved(f.path());
    TGeneralOptions &o = saved.options;
    o.CurrentDir = QStringLiteral("/data/texts");
    o.PlainText = true;
    o.ShowRooler = true;
    o.ButtonSize = 30;
    o.StatusBarFontSize = -4;
    o.MaxHistoryItems = 100;
    o.URLLink = false;
    o.RichTextProfile.Font.Name = QString::fromUtf16(u"\u65E5\u672C\u8A9E Sans");
    o.RichTextProfile.Font.SetSize(12);
    o.RichTextProfile.Font.Pitch = fpVariable;
    o.RichTextProfile.Font.Style = fsBold | fsStrikeOut;
    o.RichTextProfile.Font.Color = clRed;
    o.RichTextProfile.BackColor = clYellow;
    o.TextModeProfile.CrLfOption = -1;
    o.TextModeProfile.EotOption = 2;
    o.TextModeProfile.WordWrapMode = 2;
    o.ImeStyles.Style2 = fsBold | fsItalic | fsUnderline;
    o.ImeStyles.Back3 = clWindow;
    o.History.Items = {QStringLiteral("/a.txt"), QStringLiteral("/b.rtf")};
    o.Save();

    Records loaded(f.path());
    loaded.options.Load();
    const TGeneralOptions &l = loaded.options;
    EXPECT_EQ(l.CurrentDir, o.CurrentDir);
    EXPECT_EQ(l.PlainText, true);
    EXPECT_EQ(l.ShowRooler, true);
    EXPECT_EQ(l.ButtonSize, 30);
    EXPECT_EQ(l.StatusBarFontSize, -4);
    EXPECT_EQ(l.MaxHistoryItems, 100);
    EXPECT_EQ(l.URLLink, false);
    EXPECT_EQ(l.RichTextProfile, o.RichTextProfile);
    EXPECT_EQ(l.TextModeProfile, o.TextModeProfile);
    EXPECT_EQ(l.ImeStyles, o.ImeStyles);
    EXPECT_EQ(l.History.Items, o.History.Items);
}

// Each row: lines of [RichTextFonts], then what the rich-text profile holds after loading.
// The profile starts from its defaults with italic and variable pitch set.
TEST(Records, DisplayProfileReadsHandEditedValues)
{
    struct Case {
        const char *lines;
        int pitch;
        TFontStyles styles;
        int size, height;
    } cases[] = {
        {"", fpVariable, fsItalic, 10, -13},
        {"Styles=2", fpVariable, fsItalic, 10, -13},                    // shorter: ignored
        {"Styles=01000", fpDefault, fsBold, 10, -13},                   // clears italic
        {"Styles=21111", fpFixed, fsBold | fsItalic | fsUnderline | fsStrikeOut, 10, -13},
        {"Styles=290000", fpFixed, fsBold, 10, -13},                    // any non-0 digit
        {"Styles=1x000", fpVariable, fsItalic, 10, -13},                // not digits: ignored
        {"FontPitch=2\nStyles=10000", fpVariable, 0, 10, -13},          // Styles wins
        {"FontPitch=2", fpVariable, fsItalic, 10, -13},                 // current Styles wins
        {"Size=12", fpVariable, fsItalic, 12, -16},
        {"Size=12\nFontHeight=-20", fpVariable, fsItalic, 15, -20},     // FontHeight wins
        {"FontHeight=junk\nSize=$C", fpVariable, fsItalic, 12, -16},
    };
    for (const Case &c : cases) {
        TempIni f;
        f.write(std::string("[RichTextFonts]\n") + c.lines + "\n");
        TDisplayProfile p = TDisplayProfile::RichTextDefault();
        p.Font.Style = fsItalic;
        p.Font.Pitch = fpVariable;
        p.LoadFrom(TProfileFile(f.path()), QStringLiteral("RichTextFonts"));
        EXPECT_EQ(p.Font.Pitch, c.pitch) << c.lines;
        EXPECT_EQ(p.Font.Style, c.styles) << c.lines;
        EXPECT_EQ(p.Font.Size, c.size) << c.lines;
        EXPECT_EQ(p.Font.Height, c.height) << c.lines;
    }
}

TEST(Records, ColoursAndNumbersAreTakenAsWritten)
{
    TempIni f;
    f.write("[TextModeFonts]\nBackColor=0x80000005\nFontColor=$80000008\nCrLfColor=-2147483643\n"
            "CrLfOption=-5\nEotColor=pink\nCharset=384\n"
            "[Options]\nMaxHistoryItems=100\nButtonSize=$10\nShowToolBar=2\nURLLink=0x0\n"
            "[IMEFontStyles]\nIME1Styles=000\nIME2Styles=110\nIME3Styles=1\ncIME1Back=$FF\n");
    Records r(f.path());
    r.options.Load();
    const TDisplayProfile &t = r.options.TextModeProfile;
    EXPECT_EQ(t.BackColor, clWindow);
    EXPECT_EQ(t.Font.Color, clWindowText);
    EXPECT_EQ(t.CrLfColor, clWindow);
    EXPECT_EQ(t.CrLfOption, -5);
    EXPECT_EQ(t.EotColor, clSilver); // not a number: the default
    EXPECT_EQ(t.Font.Charset, 128);
    EXPECT_EQ(r.options.MaxHistoryItems, 100);
    EXPECT_EQ(r.options.ButtonSize, 16);
    EXPECT_TRUE(r.options.ShowToolBar);
    EXPECT_FALSE(r.options.URLLink);
    EXPECT_EQ(r.options.ImeStyles.Style1, 0u);
    EXPECT_EQ(r.options.ImeStyles.Style2, fsBold | fsItalic);
    EXPECT_EQ(r.options.ImeStyles.Style3, fsUnderline); // too short: kept
    EXPECT_EQ(r.options.ImeStyles.Back1, clRed);
}

TEST(Records, VersionStampIsRewrittenOnlyWhenItDiffers)
{
    struct Case {
        const char *file;
        bool firstStart;
        bool rewritten;
    } cases[] = {
        {"", true, true},
        {"[Velmo]\nInitSave=1\n", true, true},
        {"[Velmo]\nVersion=2.65\nDate=1999/01/01\n", false, true},
        {"[Velmo]\nVersion=\n", false, true},
        {"[velmo]\nversion = 2.66\nDate=kept\n", false, false},
    };
    for (const Case &c : cases) {
        TempIni f;
        if (*c.file)
            f.write(c.file);
        TAppRecord app(f.path());
        EXPECT_EQ(app.Load(), c.firstStart) << c.file;
        const std::string before = f.read();
        app.Save();
        const TProfileFile ini(f.path());
        EXPECT_EQ(ini.ReadString("Velmo", "Version", {}), "2.66") << c.file;
        if (c.rewritten) {
            EXPECT_EQ(ini.ReadString("Velmo", "Date", {}), "2002/04/15") << c.file;
            EXPECT_EQ(ini.ReadString("Velmo", "Copyright", {}), TAppRecord::Copyright());
        } else {
            EXPECT_EQ(f.read(), before) << c.file;
        }
    }
}

TEST(Records, InitSaveIsReadEachTimeAndNeverWritten)
{
    TempIni f;
    f.write("[Velmo]\nVersion=2.66\nInitSave=0\n");
    TAppRecord app(f.path());
    app.InitSave = true;
    EXPECT_FALSE(app.Load());
    EXPECT_FALSE(app.InitSave);
    app.InitSave = true; // ticked in the dialog
    app.Save();
    EXPECT_EQ(TProfileFile(f.path()).ReadInteger("Velmo", "InitSave", 1), 0);
    f.write("[Velmo]\nVersion=2.66\n");
    app.InitSave = false;
    app.Load();
    EXPECT_TRUE(app.InitSave);
}

TEST(Records, LastEditFileIsKeptOnlyWhileAutoOpenIsOn)
{
    TempIni f;
    Records r(f.path());
    r.options.AutoOpen = true;
    r.options.CurrentFile = QStringLiteral("/docs/a.txt");
    r.options.LastEditPos = -120;
    r.options.Save();
    const TProfileFile ini(f.path());
    EXPECT_EQ(ini.ReadString("Options", "LastEditFile", {}), "/docs/a.txt");
    EXPECT_EQ(ini.ReadInteger("Options", "LastEditPos", 0), -120);

    Records next(f.path());
    next.options.Load();
    EXPECT_TRUE(next.options.CurrentFile.isEmpty()); // Load leaves them to TakeLastEditFile
    next.options.TakeLastEditFile();
    EXPECT_EQ(next.options.CurrentFile, "/docs/a.txt");
    EXPECT_EQ(next.options.LastEditPos, -120);
    EXPECT_FALSE(ini.ValueExists("Options", "LastEditFile"));
    EXPECT_FALSE(ini.ValueExists("Options", "LastEditPos"));

    r.options.Save();
    r.options.AutoOpen = false;
    r.options.Save();
    EXPECT_FALSE(ini.ValueExists("Options", "LastEditFile"));
    EXPECT_FALSE(ini.ValueExists("Options", "LastEditPos"));
    EXPECT_TRUE(ini.ValueExists("Options", "AutoOpen"));
}

TEST(Records, RefusedWriteStopsTheSaveWithEarlierKeysWritten)
{
    TempIni f;
    FaultyProfileStorage storage;
    Records r(f.path(), storage);
    r.options.ButtonSize = 30;
    storage.refuseAfter(4); // CurrentDir, PlainText, FileNameTitle, ShowToolBar
    EXPECT_THROW(r.options.Save(), ComponentError);
    const TProfileFile ini(f.path());
    EXPECT_EQ(ini.ReadSection("Options"),
              (QStringList{"CurrentDir", "PlainText", "FileNameTitle", "ShowToolBar"}));
    EXPECT_FALSE(ini.SectionExists("RichTextFonts"));
    EXPECT_EQ(storage.refused(), 1);
}

TEST(Records, ABatchedSaveWritesOnceWhatSingleWritesWould)
{
    TempIni single, batched;
    FaultyProfileStorage storage; // counts the writes that reach the file
    Records a(single.path()), b(batched.path(), storage);
    for (Records *r : {&a, &b}) {
        r->options.AutoOpen = true;
        r->options.CurrentFile = QStringLiteral("/docs/a.txt");
        r->options.History.Items = {QStringLiteral("/docs/a.txt"), QStringLiteral("/docs/b.txt")};
    }
    a.app.Save();
    a.options.Save();
    {
        TProfileBatch batch(batched.path(), storage);
        b.app.Save();
        b.options.Save();
        batch.Commit();
    }
    EXPECT_EQ(storage.writes(), 1);
    EXPECT_EQ(batched.read(), single.read());
}

TEST(Records, EveryPathComesBackExactly)
{
    // Names that code page 932 cannot hold, one that is not UTF-8 on disk, one that it
    // holds only in another spelling (WAVE DASH), and ordinary ones that must stay plain.
    const QString nonUtf8 = QFile::decodeName(QByteArray("/home/u/\xff\xfe.txt"));
    struct Case {
        QString path;
        bool plain; // written as the code-page-932 text itself
    };
    const Case cases[] = {
        {QStringLiteral("/home/u/café.txt"), false},
        {QStringLiteral("/home/u/한국어.txt"), false},
        {nonUtf8, false},
        {QStringLiteral("/home/u/\u301C.txt"), false},
        {QStringLiteral("/home/u/a\nb.txt"), false},
        {QStringLiteral("/home/u/日本語 ファイル.txt"), true},
        {QStringLiteral("/home/u/file:x.txt"), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        TempIni f;
        Records r(f.path());
        r.options.AutoOpen = true;
        r.options.CurrentDir = c.path;
        r.options.CurrentFile = c.path;
        r.options.History.Items = {c.path, QStringLiteral("/home/u/plain.txt")};
        r.options.Save();
        TProfileFile ini(f.path());
        ini.WritePath("EditFiles", "1234", c.path);

        const std::string bytes = f.read();
        EXPECT_EQ(bytes.find('?'), std::string::npos) << bytes;
        const std::string asText = "0=" + sjis(c.path.toUtf8().constData()) + "\r\n";
        EXPECT_EQ(bytes.find(asText) != std::string::npos, c.plain) << bytes;
        // The stored form is still a value any reader of the file parses.
        EXPECT_EQ(ini.ReadSection("History"), (QStringList{"0", "1"}));

        Records next(f.path());
        next.options.Load();
        EXPECT_EQ(next.options.CurrentDir, c.path);
        EXPECT_EQ(next.options.History.Items.value(0), c.path);
        EXPECT_EQ(next.options.History.Items.value(1), "/home/u/plain.txt");
        next.options.TakeLastEditFile();
        EXPECT_EQ(next.options.CurrentFile, c.path);
        EXPECT_EQ(ini.ReadPath("EditFiles", "1234", {}), c.path);
    }
}

TEST(Records, EmptyFileNameMeansTheRecordsOwnAndNothingWithoutOne)
{
    TempIni f;
    Records none(QString{});
    none.options.Save(); // nothing to write to
    none.options.Load();
    none.app.Save();
    EXPECT_FALSE(none.app.Load());
    EXPECT_EQ(none.options.ButtonSize, 22);

    Records other(f.path());
    other.app.Save(f.folder() + QStringLiteral("/other.ini"));
    EXPECT_FALSE(f.exists());
    EXPECT_TRUE(QFile::exists(f.folder() + QStringLiteral("/other.ini")));
}

} // namespace
} // namespace velmo

namespace velmo {
namespace {

TEST(Colors, PlainAndSystemColoursResolve)
{
    QPalette palette;
    palette.setColor(QPalette::Active, QPalette::Base, QColor(1, 2, 3));
    palette.setColor(QPalette::Active, QPalette::Text, QColor(4, 5, 6));
    struct Case {
        TColor color;
        QColor expected;
    } cases[] = {
        {clRed, QColor(255, 0, 0)},
        {0x00563412, QColor(0x12, 0x34, 0x56)},
        {clWindow, QColor(1, 2, 3)},
        {-2147483643, QColor(1, 2, 3)},
        {clWindowText, QColor(4, 5, 6)},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ResolveColor(c.color, palette), c.expected) << c.color;
    EXPECT_EQ(ColorFromQColor(QColor(0x12, 0x34, 0x56)), 0x563412);
}

} // namespace
} // namespace velmo
