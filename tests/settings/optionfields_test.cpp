// The table of [Options] keys: every key written and read through it under its own name,
// with its default, and the ranges the settings dialog offers.
#include "settingstest.h"

#include "doubles/fixedscreen.h"
#include "doubles/fakeprinters.h"
#include "settings/optionfields.h"
#include "settings/profilefile.h"
#include "settings/teoption.h"

#include <QObject>

namespace velmo {
namespace {

struct Options {
    explicit Options(const QString &file) : options(&owner, file, printers, screen) {}
    QObject owner;
    FakePrinters printers;
    FixedScreen screen;
    TGeneralOptions options;
};

TEST(OptionFields, EveryKeyKeepsItsNameTypeAndDefault)
{
    struct Expected {
        const char *key;
        TOptionType type;
        int def;
    };
    const Expected expected[] = {
        {"CurrentDir", TOptionType::Path, 0},       {"PlainText", TOptionType::Bool, 0},
        {"FileNameTitle", TOptionType::Bool, 1},    {"ShowToolBar", TOptionType::Bool, 1},
        {"ShowRooler", TOptionType::Bool, 0},       {"ButtonSize", TOptionType::Integer, 22},
        {"ShowStatusBar", TOptionType::Bool, 1},    {"StatusBarFontSize", TOptionType::Integer, 9},
        {"ShowFontName", TOptionType::Bool, 1},     {"MakeBackup", TOptionType::Bool, 0},
        {"UseTrashBox", TOptionType::Bool, 1},      {"AutoOpen", TOptionType::Bool, 0},
        {"SaveDataDir", TOptionType::Bool, 0},      {"MaxHistoryItems", TOptionType::Integer, 10},
        {"URLLink", TOptionType::Bool, 1},
    };
    const auto fields = OptionFields();
    ASSERT_EQ(fields.size(), std::size(expected));
    Options fresh(QString{});
    for (size_t i = 0; i < fields.size(); ++i) {
        SCOPED_TRACE(expected[i].key);
        EXPECT_STREQ(fields[i].Section, "Options");
        EXPECT_STREQ(fields[i].Key, expected[i].key);
        EXPECT_EQ(fields[i].Type, expected[i].type);
        if (fields[i].BoolMember)
            EXPECT_EQ(fresh.options.*fields[i].BoolMember, expected[i].def != 0);
        if (fields[i].IntegerMember)
            EXPECT_EQ(fresh.options.*fields[i].IntegerMember, expected[i].def);
    }
    EXPECT_EQ(FindOptionField("MaxHistoryItems")->Min, 1);
    EXPECT_EQ(FindOptionField("MaxHistoryItems")->Max, 30);
    EXPECT_EQ(FindOptionField("ButtonSize")->Min, 22);
    EXPECT_EQ(FindOptionField("ButtonSize")->Max, 48);
    EXPECT_EQ(FindOptionField("StatusBarFontSize")->Min, 6);
    EXPECT_EQ(FindOptionField("StatusBarFontSize")->Max, 48);
    EXPECT_FALSE(FindOptionField("PlainText")->HasRange());
    EXPECT_EQ(FindOptionField("LastEditPos"), nullptr);
}

// Each key changed alone reaches the file under its name and comes back into its own member
// (a table row pointing at the wrong member would move the value elsewhere).
TEST(OptionFields, EachKeyRoundTripsAlone)
{
    for (const TOptionField &field : OptionFields()) {
        SCOPED_TRACE(field.Key);
        test::TempIni f;
        Options written(f.path());
        QString expected;
        switch (field.Type) {
        case TOptionType::Path:
            written.options.*field.PathMember = f.folder();
            expected = f.folder();
            break;
        case TOptionType::Bool:
            written.options.*field.BoolMember = field.Default == 0;
            expected = field.Default == 0 ? "1" : "0";
            break;
        case TOptionType::Integer:
            written.options.*field.IntegerMember = field.Default + 7;
            expected = QString::number(field.Default + 7);
            break;
        }
        written.options.Save();
        EXPECT_EQ(TProfileFile(f.path()).ReadString("Options", field.Key, "<none>"), expected);
        Options read(f.path());
        read.options.Load();
        for (const TOptionField &other : OptionFields()) {
            const bool same = &other == &field;
            if (other.BoolMember)
                EXPECT_EQ(read.options.*other.BoolMember, same ? field.Default == 0 : other.Default != 0) << other.Key;
            if (other.IntegerMember)
                EXPECT_EQ(read.options.*other.IntegerMember, same ? field.Default + 7 : other.Default) << other.Key;
        }
        if (field.PathMember)
            EXPECT_EQ(read.options.*field.PathMember, f.folder());
    }
}

} // namespace
} // namespace velmo
