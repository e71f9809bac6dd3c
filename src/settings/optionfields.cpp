#include "settings/optionfields.h"

#include "settings/teoption.h"

namespace velmo {

namespace {

using G = TGeneralOptions;
constexpr const char *kOptions = "Options";

constexpr TOptionField path(const char *key, QString G::*member)
{
    return {kOptions, key, TOptionType::Path, member, nullptr, nullptr};
}

constexpr TOptionField flag(const char *key, bool G::*member, bool def)
{
    return {kOptions, key, TOptionType::Bool, nullptr, member, nullptr, def ? 1 : 0};
}

constexpr TOptionField number(const char *key, std::int32_t G::*member, std::int32_t def,
                              std::int32_t min = 1, std::int32_t max = 0)
{
    return {kOptions, key, TOptionType::Integer, nullptr, nullptr, member, def, min, max};
}

const TOptionField kFields[] = {
    path("CurrentDir", &G::CurrentDir),
    flag("PlainText", &G::PlainText, false),
    flag("FileNameTitle", &G::FileNameTitle, true),
    flag("ShowToolBar", &G::ShowToolBar, true),
    flag("ShowRooler", &G::ShowRooler, false),
    number("ButtonSize", &G::ButtonSize, 22, 22, 48),
    flag("ShowStatusBar", &G::ShowStatusBar, true),
    number("StatusBarFontSize", &G::StatusBarFontSize, 9, 6, 48),
    flag("ShowFontName", &G::ShowFontName, true),
    flag("MakeBackup", &G::MakeBackup, false),
    flag("UseTrashBox", &G::UseTrashBox, true),
    flag("AutoOpen", &G::AutoOpen, false),
    flag("SaveDataDir", &G::SaveDataDir, false),
    number("MaxHistoryItems", &G::MaxHistoryItems, 10, 1, 30),
    flag("URLLink", &G::URLLink, true),
};

} // namespace

std::span<const TOptionField> OptionFields()
{
    return kFields;
}

const TOptionField *FindOptionField(const QString &key)
{
    for (const TOptionField &field : kFields)
        if (key == QLatin1String(field.Key))
            return &field;
    return nullptr;
}

void ResetOptionFields(TGeneralOptions &options)
{
    for (const TOptionField &field : kFields) {
        if (field.BoolMember)
            options.*field.BoolMember = field.Default != 0;
        else if (field.IntegerMember)
            options.*field.IntegerMember = field.Default;
    }
}

} // namespace velmo
