// The settings file engine: reading files written by hand, writing in place, integer forms,
// the read limit, refused writes and writers in two processes at once.
#include "settingstest.h"

#include "doubles/faultyprofilestorage.h"
#include "platform/componenterror.h"
#include "platform/cp932codec.h"
#include "settings/profilefile.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <gmock/gmock.h>

#include <sys/stat.h>

namespace velmo {
namespace {

using test::crlf;
using test::TempIni;

// What the system shows when a settings write is refused; %s is the file's path.
const char kRefused[] = "%s に書き込めません";

const std::string kHandWritten =
    "; written by hand\n"
    "[velmo]\n"
    "  Version = 2.66  \n"
    "[Options]\r\n"
    "ButtonSize=$20\n"
    "  showtoolbar = 0\n"
    ";MakeBackup=1\n"
    "CurrentDir = \"/home/user/My Documents \"\n"
    "Quote='x'\n"
    "Mixed=\"x'\n"
    "Empty=\n"
    "not a key\n"
    "ButtonSize=48\n"
    "\n"
    "[Unknown]\n"
    "Keep = me\n";

TEST(ProfileFile, ReadsFilesWrittenByHand)
{
    TempIni f;
    f.write(kHandWritten);
    const TProfileFile ini(f.path());
    const QString missing = QStringLiteral("<default>");
    struct Case {
        const char *section, *key, *expected;
    } cases[] = {
        {"VELMO", "version", "2.66"},                    // case and blanks
        {"options", "BUTTONSIZE", "$20"},                // the first of repeated keys
        {"Options", "ShowToolBar", "0"},
        {"Options", "MakeBackup", "<default>"},          // commented out
        {"Options", ";MakeBackup", "<default>"},
        {"Options", "CurrentDir", "/home/user/My Documents "}, // quotes keep inner blanks
        {"Options", "Quote", "x"},
        {"Options", "Mixed", "\"x'"},                    // unmatched quotes stay
        {"Options", "Empty", ""},                        // present but empty: not the default
        {"Options", "not a key", "<default>"},
        {"Unknown", "Keep", "me"},
        {"Missing", "Keep", "<default>"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ini.ReadString(QString::fromUtf8(c.section), QString::fromUtf8(c.key), missing),
                  QString::fromUtf8(c.expected))
            << c.section << "/" << c.key;
    }
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Options"), QStringLiteral("ButtonSize"), 0), 32);
    EXPECT_FALSE(ini.ReadBool(QStringLiteral("Options"), QStringLiteral("ShowToolBar"), true));
    EXPECT_EQ(ini.ReadSection(QStringLiteral("OPTIONS")),
              (QStringList{"ButtonSize", "showtoolbar", "CurrentDir", "Quote", "Mixed", "Empty",
                           "ButtonSize"}));
    EXPECT_EQ(ini.ReadSections(), (QStringList{"velmo", "Options", "Unknown"}));
    EXPECT_TRUE(ini.ValueExists(QStringLiteral("Options"), QStringLiteral("empty")));
    EXPECT_FALSE(ini.ValueExists(QStringLiteral("Options"), QStringLiteral("MakeBackup")));
}

TEST(ProfileFile, WritesInPlaceAndKeepsEveryOtherLine)
{
    TempIni f;
    f.write(kHandWritten);
    TProfileFile ini(f.path());
    ini.WriteInteger(QStringLiteral("OPTIONS"), QStringLiteral("buttonsize"), 24);
    ini.WriteString(QStringLiteral("Options"), QStringLiteral("NewKey"), QStringLiteral("v"));
    ini.WriteString(QStringLiteral("velmo"), QStringLiteral("Date"), QStringLiteral("2002/04/15"));
    ini.WriteString(QStringLiteral("New"), QStringLiteral("K"), QStringLiteral("1"));
    EXPECT_EQ(f.read(), crlf("; written by hand\n"
                             "[velmo]\n"
                             "  Version = 2.66  \n"
                             "Date=2002/04/15\n"
                             "[Options]\n"
                             "ButtonSize=24\n"
                             "  showtoolbar = 0\n"
                             ";MakeBackup=1\n"
                             "CurrentDir = \"/home/user/My Documents \"\n"
                             "Quote='x'\n"
                             "Mixed=\"x'\n"
                             "Empty=\n"
                             "not a key\n"
                             "ButtonSize=48\n"
                             "NewKey=v\n"
                             "\n"
                             "[Unknown]\n"
                             "Keep = me\n"
                             "\n"
                             "[New]\n"
                             "K=1\n"));

    ini.DeleteKey(QStringLiteral("options"), QStringLiteral("QUOTE"));
    ini.EraseSection(QStringLiteral("unknown"));
    ini.DeleteKey(QStringLiteral("Options"), QStringLiteral("NoSuchKey"));
    const std::string after = f.read();
    EXPECT_EQ(after.find("Quote="), std::string::npos);
    EXPECT_EQ(after.find("[Unknown]"), std::string::npos);
    EXPECT_EQ(after.find("Keep"), std::string::npos);
    EXPECT_NE(after.find("Mixed=\"x'\r\n"), std::string::npos);
    EXPECT_NE(after.find("[New]\r\nK=1\r\n"), std::string::npos);
}

TEST(ProfileFile, NoFileGivesDefaultsAndTheFirstWriteCreatesIt)
{
    TempIni f;
    TProfileFile ini(f.path());
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Window"), QStringLiteral("Width"), 640), 640);
    EXPECT_TRUE(ini.ReadSection(QStringLiteral("Window")).isEmpty());
    ini.DeleteKey(QStringLiteral("Window"), QStringLiteral("Width"));
    ini.EraseSection(QStringLiteral("Window"));
    EXPECT_FALSE(f.exists());
    ini.WriteInteger(QStringLiteral("Window"), QStringLiteral("Left"), -2147483643);
    EXPECT_EQ(f.read(), crlf("[Window]\nLeft=-2147483643\n"));
}

TEST(ProfileFile, IntegerForms)
{
    struct Case {
        const char *text;
        std::int32_t expected; // 77 is the default: not an integer
    } cases[] = {
        {"22", 22}, {"-1", -1}, {"+7", 7}, {" 5 ", 5}, {"007", 7},
        {"$1F", 31}, {"0x1f", 31}, {"0X1F", 31}, {"-$10", -16},
        {"-2147483643", -2147483643}, {"$80000005", -2147483643}, {"0x80000005", -2147483643},
        {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
        {"2147483648", 77}, {"$100000000", 77}, {"", 77}, {"$", 77}, {"0x", 77},
        {"12abc", 77}, {"1.5", 77}, {"ten", 77}, {"- 1", 77}, {"$G", 77},
    };
    TempIni f;
    const TProfileFile ini(f.path());
    for (const Case &c : cases) {
        f.write(std::string("[N]\r\nV=") + c.text + "\r\n");
        EXPECT_EQ(ini.ReadInteger(QStringLiteral("N"), QStringLiteral("V"), 77), c.expected)
            << "'" << c.text << "'";
    }
}

TEST(ProfileFile, ValuesComeBackAsWritten)
{
    // Blanks at the ends and enclosing quotes would be lost on reading; such values are
    // written quoted. A line break cannot be stored and must not start a new line.
    struct Case {
        QString written, read;
    } cases[] = {
        {"plain", "plain"},
        {" lead", " lead"},
        {"trail ", "trail "},
        {"'q'", "'q'"},
        {"\"dq\"", "\"dq\""},
        {"a=b;c", "a=b;c"},
        {"", ""},
        {"x\r\n[Options]\nInitSave=0", "x  [Options] InitSave=0"},
    };
    TempIni f;
    TProfileFile ini(f.path());
    for (const Case &c : cases) {
        ini.WriteString(QStringLiteral("S"), QStringLiteral("K"), c.written);
        EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("K"), "?"), c.read);
    }
    EXPECT_EQ(ini.ReadSections(), QStringList{"S"});
    EXPECT_EQ(ini.ReadSection(QStringLiteral("S")), QStringList{"K"});
}

TEST(ProfileFile, StoresShiftJisAndMatchesNamesByLettersOnly)
{
    // U+30BE is 0x83 0x5D in Shift-JIS: its second byte is ']'.
    const QString section = QString(QChar(0x30BE)) + QStringLiteral("Zone");
    const QString face = QString::fromUtf16(u"\u65E5\u672C\u8A9E \uFF21");
    TempIni f;
    TProfileFile ini(f.path());
    ini.WriteString(section, QStringLiteral("Face"), face);
    EXPECT_EQ(f.read(), "[" + cp932::encode(section.toStdU16String()).bytes + "]\r\nFace="
                            + cp932::encode(face.toStdU16String()).bytes + "\r\n");
    EXPECT_EQ(ini.ReadString(section.toLower(), QStringLiteral("face"), "?"), face);
    // Full-width letters do not fold.
    EXPECT_EQ(ini.ReadString(section, QString::fromUtf16(u"\uFF26ace"), "?"), "?");
}

TEST(ProfileFile, ReadsAtMost2047Bytes)
{
    const QString ascii(3000, QLatin1Char('a'));
    const QString wide(1100, QChar(0x3042)); // two bytes each
    TempIni f;
    TProfileFile ini(f.path());
    ini.WriteString(QStringLiteral("S"), QStringLiteral("A"), ascii);
    ini.WriteString(QStringLiteral("S"), QStringLiteral("W"), wide);
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("A"), {}), ascii.left(2047));
    // A character is never cut in half.
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("W"), {}), wide.left(1023));
    // The file holds the whole value.
    EXPECT_NE(f.read().find(std::string(3000, 'a')), std::string::npos);
}

TEST(ProfileFile, BytesThatAreNotTextSurviveAWriteElsewhere)
{
    // Invalid Shift-JIS, a NUL, a lone CR, a lead byte at the end of a line, no final line end.
    static const char bytes[] = "[A]\r\nK=\x81\xFF\x80\r\n; \x00 \r x\r\nL=\x82\r\n[B]\r\nM=1";
    const std::string odd(bytes, sizeof bytes - 1);
    TempIni f;
    f.write(odd);
    TProfileFile ini(f.path());
    EXPECT_EQ(ini.ReadSection("A"), (QStringList{"K", "L"}));
    ini.WriteInteger(QStringLiteral("B"), QStringLiteral("M"), 2);
    EXPECT_EQ(f.read(), odd.substr(0, odd.size() - 1) + "2\r\n");
    // A value read and written back comes out as the same bytes.
    ini.WriteString(QStringLiteral("A"), QStringLiteral("K"), ini.ReadString("A", "K", {}));
    EXPECT_EQ(f.read(), odd.substr(0, odd.size() - 1) + "2\r\n");
}

TEST(ProfileFile, ALinkedSettingsFileStaysALink)
{
    TempIni f;
    const QString real = f.folder() + QStringLiteral("/real.ini");
    QFile(real).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::link(real, f.path()));
    TProfileFile(f.path()).WriteInteger(QStringLiteral("A"), QStringLiteral("B"), 1);
    EXPECT_TRUE(QFileInfo(f.path()).isSymLink());
    EXPECT_EQ(TProfileFile(real).ReadInteger("A", "B", 0), 1);
}

std::string refusedMessage(const QString &path)
{
    return QString::fromUtf8(kRefused).replace(QStringLiteral("%s"), path).toStdString();
}

TEST(ProfileFile, RefusedWriteRaisesAndLeavesTheFileAlone)
{
    TempIni f;
    f.write("[Options]\r\nButtonSize=22\r\n");
    FaultyProfileStorage storage;
    storage.refuseAfter(0);
    TProfileFile ini(f.path(), storage);
    for (const auto &write : std::vector<std::function<void()>>{
             [&] { ini.WriteInteger(QStringLiteral("Options"), QStringLiteral("ButtonSize"), 30); },
             [&] { ini.DeleteKey(QStringLiteral("Options"), QStringLiteral("ButtonSize")); },
             [&] { ini.EraseSection(QStringLiteral("Options")); },
         }) {
        try {
            write();
            ADD_FAILURE() << "a refused write went unreported";
        } catch (const ComponentError &e) {
            EXPECT_EQ(std::string(e.what()), refusedMessage(f.path()));
        }
    }
    EXPECT_EQ(f.read(), "[Options]\r\nButtonSize=22\r\n");
    EXPECT_EQ(storage.refused(), 3);
}

TEST(ProfileFile, ReadOnlyFileIsRefusedEvenForRoot)
{
    TempIni f;
    f.write("[Options]\r\nButtonSize=22\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(f.path()).constData(), 0444), 0);
    TProfileFile ini(f.path());
    EXPECT_THROW(ini.WriteInteger(QStringLiteral("Options"), QStringLiteral("ButtonSize"), 30),
                 ComponentError);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Options"), QStringLiteral("ButtonSize"), 0), 22);
}

TEST(ProfileFile, WritesLeaveNoTemporaryFilesAndKeepPermissions)
{
    TempIni f;
    f.write("[A]\r\nB=1\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(f.path()).constData(), 0640), 0);
    TProfileFile ini(f.path());
    for (int i = 0; i < 5; ++i)
        ini.WriteInteger(QStringLiteral("A"), QStringLiteral("B"), i);
    EXPECT_EQ(QDir(f.folder()).entryList(QDir::Files, QDir::Name),
              (QStringList{"velmo.ini", "velmo.ini.lock"}));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(f.path()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(ProfileFile, ABatchIsOneWriteOnTheFileAsItIsAtTheCommit)
{
    TempIni f;
    f.write("[Options]\r\nButtonSize=22\r\n");
    FaultyProfileStorage storage; // counts the writes that reach the file
    {
        TProfileBatch batch(f.path(), storage);
        TProfileFile ini(f.path(), storage);
        ini.WriteInteger(QStringLiteral("Options"), QStringLiteral("ButtonSize"), 30);
        ini.WriteString(QStringLiteral("Velmo"), QStringLiteral("Version"), QStringLiteral("2.66"));
        ini.DeleteKey(QStringLiteral("Options"), QStringLiteral("ButtonSize"));
        ini.WriteInteger(QStringLiteral("Options"), QStringLiteral("ButtonSize"), 31);
        {
            TProfileBatch inner(f.path(), storage); // a save inside a save
            TProfileFile(f.path(), storage).WriteBool(QStringLiteral("Options"), QStringLiteral("AutoOpen"), true);
            inner.Commit();
        }
        // Reads inside the batch see its writes; the file does not yet.
        EXPECT_EQ(ini.ReadInteger(QStringLiteral("Options"), QStringLiteral("ButtonSize"), 0), 31);
        EXPECT_TRUE(ini.ReadBool(QStringLiteral("Options"), QStringLiteral("AutoOpen"), false));
        EXPECT_EQ(f.read(), "[Options]\r\nButtonSize=22\r\n");
        EXPECT_EQ(storage.writes(), 0);
        // Another process writes meanwhile: its key stays.
        TProfileFile(f.path()).WriteString(QStringLiteral("Other"), QStringLiteral("Keep"), QStringLiteral("1"));
        batch.Commit();
    }
    EXPECT_EQ(storage.writes(), 1);
    EXPECT_EQ(f.read(), crlf("[Options]\nButtonSize=31\nAutoOpen=1\n\n[Other]\nKeep=1\n\n[Velmo]\nVersion=2.66\n"));

    // Outside a batch every write goes to the file at once again.
    TProfileFile(f.path(), storage).WriteInteger(QStringLiteral("Options"), QStringLiteral("ButtonSize"), 32);
    EXPECT_EQ(storage.writes(), 2);
}

TEST(ProfileFile, ARefusedBatchRaisesLikeAWriteAndLeavesTheFileAlone)
{
    TempIni f;
    f.write("[Options]\r\nButtonSize=22\r\n");
    FaultyProfileStorage storage;
    storage.refuseAfter(0);
    TProfileBatch batch(f.path(), storage);
    TProfileFile ini(f.path(), storage);
    ini.WriteInteger(QStringLiteral("Options"), QStringLiteral("ButtonSize"), 30);
    ini.EraseSection(QStringLiteral("Options"));
    try {
        batch.Commit();
        ADD_FAILURE() << "a refused batch went unreported";
    } catch (const ComponentError &e) {
        EXPECT_EQ(std::string(e.what()), refusedMessage(f.path()));
    }
    EXPECT_EQ(f.read(), "[Options]\r\nButtonSize=22\r\n");
    EXPECT_EQ(storage.refused(), 1);
    // The refused batch is over: the next write tries the file again.
    storage.refuseAfter(-1);
    ini.WriteInteger(QStringLiteral("Options"), QStringLiteral("ButtonSize"), 40);
    EXPECT_EQ(f.read(), "[Options]\r\nButtonSize=40\r\n");
}

TEST(ProfileFile, TwoProcessesWritingAtOnceLoseNoKey)
{
    constexpr int kCount = 250;
    TempIni f;
    f.write("; shared by two writers\r\n[Other]\r\nKeep=1\r\n");
    QProcess a, b;
    const QString writer = QStringLiteral(VELMO_SETTINGS_WRITER);
    a.start(writer, {f.path(), QStringLiteral("A"), QString::number(kCount)});
    b.start(writer, {f.path(), QStringLiteral("B"), QString::number(kCount)});
    ASSERT_TRUE(a.waitForFinished(120000)) << a.errorString().toStdString();
    ASSERT_TRUE(b.waitForFinished(120000)) << b.errorString().toStdString();
    ASSERT_EQ(a.exitCode(), 0) << a.readAllStandardError().toStdString();
    ASSERT_EQ(b.exitCode(), 0) << b.readAllStandardError().toStdString();

    const TProfileFile ini(f.path());
    const QStringList keys = ini.ReadSection(QStringLiteral("Keys"));
    EXPECT_EQ(keys.size(), 2 * kCount);
    for (const char *prefix : {"A", "B"}) {
        for (int i = 0; i < kCount; ++i) {
            const QString key = QString::fromUtf8(prefix) + QString::number(i);
            ASSERT_EQ(ini.ReadInteger(QStringLiteral("Keys"), key, -1), i) << key.toStdString();
        }
    }
    EXPECT_THAT(ini.ReadString(QStringLiteral("Shared"), QStringLiteral("Last"), {}).toStdString(),
                testing::AnyOf("A", "B"));
    EXPECT_EQ(ini.ReadSection(QStringLiteral("Shared")).size(), 1);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Other"), QStringLiteral("Keep"), 0), 1);
}

} // namespace
} // namespace velmo
