// The keys of [Options] in one table: section, key, how the value is stored, its default and
// the range the settings dialog offers. Loading, saving and the dialog all go through it, so
// a key is named in one place.
#pragma once

#include <QString>

#include <cstdint>
#include <span>

namespace velmo {

class TGeneralOptions;

enum class TOptionType { Path, Bool, Integer };

struct TOptionField {
    const char *Section;
    const char *Key;
    TOptionType Type;
    // Exactly one member pointer is set, the one of Type.
    QString TGeneralOptions::*PathMember = nullptr;
    bool TGeneralOptions::*BoolMember = nullptr;
    std::int32_t TGeneralOptions::*IntegerMember = nullptr;
    // Booleans and integers; a path's default is the process's folder when the window starts.
    std::int32_t Default = 0;
    // What the settings dialog lets the user choose (Min > Max: no range). Values read from
    // the file are taken as they are.
    std::int32_t Min = 1;
    std::int32_t Max = 0;

    bool HasRange() const { return Min <= Max; }
};

// In the order the keys are written and read.
std::span<const TOptionField> OptionFields();
// The field of a key; nullptr for a key that is not in the table.
const TOptionField *FindOptionField(const QString &key);

// Every field at its default (the path fields left as they are).
void ResetOptionFields(TGeneralOptions &options);

} // namespace velmo
