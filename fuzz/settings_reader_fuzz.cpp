// libFuzzer target: the settings reader on any file, and what a write does to it. The input's
// first line is a value to write, the rest is the settings file (code page 932, as people and
// other programs leave it). Every key reads without a crash; a write, a key deletion and a
// section replacement change what they name and nothing else, and a written value reads back
// as it was written.
#include "platform/cp932codec.h"
#include "settings/profilefile.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace {

// The settings file in memory, so that a run touches no disk.
class MemoryStorage : public velmo::ProfileStorage {
public:
    std::optional<std::string> bytes;

protected:
    std::optional<std::string> readFile(const QString &) override { return bytes; }
    bool modifyFile(const QString &, const Edit &edit) override
    {
        std::string b = bytes.value_or(std::string());
        if (edit(b))
            bytes = std::move(b);
        return true;
    }
};

// Names match as the reader matches them: the letters A to Z without regard to case.
QString folded(const QString &name)
{
    QString out = name;
    for (QChar &c : out)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    return out;
}

using Snapshot = std::map<std::pair<QString, QString>, QString>;

// Every key, read by name. The typed readers are the string reader and a parse of what it
// returns; the parses are run on the value so that the file is not read again for each.
Snapshot readAll(const velmo::TProfileFile &ini)
{
    Snapshot all;
    for (const QString &section : ini.ReadSections()) {
        const QStringList keys = ini.ReadSection(section);
        for (const QString &key : keys) {
            const QString value = ini.ReadString(section, key, QStringLiteral("<missing>"));
            // Every listed key is there and the typed readers take any value.
            if (value == QLatin1String("<missing>")) {
                std::fprintf(stderr, "listed key [%s] %s does not read\n", qPrintable(section),
                             qPrintable(key));
                std::abort();
            }
            std::int32_t number = 0;
            (void)velmo::TProfileFile::ParseInteger(value, number);
            (void)velmo::TProfileFile::PathFromValue(value);
            all.emplace(std::pair(folded(section), folded(key)), value);
        }
        if (!keys.isEmpty() && !ini.ValueExists(section, keys.back())) {
            std::fprintf(stderr, "listed key [%s] %s does not exist\n", qPrintable(section),
                         qPrintable(keys.back()));
            std::abort();
        }
    }
    return all;
}

// Every key of `before` but those of `changedSection` (all of them when changedKey is empty)
// reads in `after` as it did.
void expectUnchanged(const Snapshot &before, const Snapshot &after, const char *what,
                     const QString &changedSection, const QString &changedKey)
{
    for (const auto &[name, value] : before) {
        if (name.first == folded(changedSection)
            && (changedKey.isEmpty() || name.second == folded(changedKey)))
            continue;
        const auto it = after.find(name);
        const QString now = it == after.end() ? QStringLiteral("<missing>") : it->second;
        if (now != value) {
            std::fprintf(stderr, "%s changed [%s] %s from \"%s\" to \"%s\"\n", what,
                         qPrintable(name.first), qPrintable(name.second), qPrintable(value),
                         qPrintable(now));
            std::abort();
        }
    }
}

void expectValue(const velmo::TProfileFile &ini, const QString &section, const QString &key,
                 const QString &expected, const char *what)
{
    const QString now = ini.ReadString(section, key, QStringLiteral("<missing>"));
    if (now != expected) {
        std::fprintf(stderr, "%s: [%s] %s reads \"%s\", not \"%s\"\n", what, qPrintable(section),
                     qPrintable(key), qPrintable(now), qPrintable(expected));
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const std::size_t nl = input.find('\n');
    const std::string_view valueBytes = nl == std::string_view::npos ? std::string_view() : input.substr(0, nl);
    const std::string_view file = nl == std::string_view::npos ? input : input.substr(nl + 1);

    MemoryStorage storage;
    storage.bytes = std::string(file);
    velmo::TProfileFile ini(QStringLiteral("/fuzz/velmo.ini"), storage);
    const Snapshot before = readAll(ini);

    // A value as the program writes one: a single line (the writer makes line breaks blanks).
    std::u16string v = velmo::cp932::decode(valueBytes);
    for (char16_t &c : v)
        if (c == u'\r' || c == u'\n' || c == u'\0')
            c = u' ';
    const QString value = QString::fromStdU16String(v);
    const bool fits = velmo::cp932::byteLength(v) <= std::size_t(velmo::TProfileFile::kMaxValueBytes);

    const QStringList sections = ini.ReadSections();
    const QString section = sections.isEmpty() ? QStringLiteral("Velmo") : sections.front();

    // A new key in the first section, then an existing key replaced.
    ini.WriteString(section, QStringLiteral("VelmoFuzz"), value);
    if (fits)
        expectValue(ini, section, QStringLiteral("VelmoFuzz"), value, "new key");
    const Snapshot written = readAll(ini);
    expectUnchanged(before, written, "writing a new key", section, QStringLiteral("VelmoFuzz"));

    const QStringList keys = ini.ReadSection(section);
    const QString key = keys.isEmpty() ? QStringLiteral("VelmoFuzz") : keys.front();
    ini.WriteString(section, key, QStringLiteral("replaced"));
    expectValue(ini, section, key, QStringLiteral("replaced"), "replaced key");
    const Snapshot replaced = readAll(ini);
    expectUnchanged(written, replaced, "replacing a key", section, key);

    ini.DeleteKey(section, key);
    const Snapshot deleted = readAll(ini);
    expectUnchanged(replaced, deleted, "deleting a key", section, key);

    // The last section written anew as a whole.
    const QString last = sections.isEmpty() ? section : sections.back();
    ini.ReplaceSection(last, {{QStringLiteral("One"), value}, {QStringLiteral("Two"), QStringLiteral("2")}});
    if (fits)
        expectValue(ini, last, QStringLiteral("One"), value, "replaced section");
    expectValue(ini, last, QStringLiteral("Two"), QStringLiteral("2"), "replaced section");
    if (ini.ReadSection(last).size() != 2) {
        std::fprintf(stderr, "replaced section [%s] holds %lld keys, not 2\n", qPrintable(last),
                     static_cast<long long>(ini.ReadSection(last).size()));
        std::abort();
    }
    expectUnchanged(deleted, readAll(ini), "replacing a section", last, QString());
    return 0;
}
