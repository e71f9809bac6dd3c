#include "settings/profilefile.h"

#include "platform/componenterror.h"
#include "platform/cp932codec.h"

#include <QFile>

#include <algorithm>
#include <string_view>
#include <vector>

namespace velmo {
namespace {

// Shown when the system refuses a write; %s is the settings file's path.
const char kWriteRefused[] = "%s に書き込めません";

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view trimmed(std::u16string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char16_t asciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

// Names match without regard to the case of the letters A to Z; nothing else is folded.
bool sameName(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

bool isQuote(char16_t c) { return c == u'"' || c == u'\''; }

std::u16string toU16(const QString &s)
{
    return std::u16string(reinterpret_cast<const char16_t *>(s.utf16()), size_t(s.size()));
}

QString toQString(std::u16string_view s)
{
    return QString::fromUtf16(s.data(), qsizetype(s.size()));
}

struct Line {
    enum Kind { Other, Section, Key };
    std::string raw;        // the bytes of the line, without its line end
    Kind kind = Other;
    std::u16string name;    // section or key name, trimmed
    std::u16string value;   // key value, trimmed, quotes removed
};

// The file as a list of lines, each classified; the bytes of every line are kept so that
// lines nobody changes are written back exactly as they were.
class Profile {
public:
    explicit Profile(std::string_view bytes)
    {
        lines_.reserve(size_t(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
        size_t start = 0;
        while (start < bytes.size()) {
            size_t end = bytes.find('\n', start);
            const size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
            if (end == std::string_view::npos)
                end = bytes.size();
            size_t stop = end;
            if (stop > start && bytes[stop - 1] == '\r')
                --stop;
            lines_.push_back(classify(std::string(bytes.substr(start, stop - start))));
            start = next;
        }
    }

    std::string bytes() const
    {
        std::string out;
        for (const Line &l : lines_) {
            out += l.raw;
            out += "\r\n";
        }
        return out;
    }

    // [first line after the header, end) of the first section of that name; first == -1
    // when there is none.
    std::pair<int, int> section(std::u16string_view name) const
    {
        for (int i = 0; i < int(lines_.size()); ++i) {
            if (lines_[i].kind == Line::Section && sameName(lines_[i].name, name)) {
                int end = i + 1;
                while (end < int(lines_.size()) && lines_[end].kind != Line::Section)
                    ++end;
                return {i + 1, end};
            }
        }
        return {-1, -1};
    }

    int key(std::u16string_view sectionName, std::u16string_view keyName) const
    {
        const auto [first, end] = section(sectionName);
        for (int i = first; i >= 0 && i < end; ++i) {
            if (lines_[i].kind == Line::Key && sameName(lines_[i].name, keyName))
                return i;
        }
        return -1;
    }

    const std::vector<Line> &lines() const { return lines_; }

    void setValue(std::u16string_view sectionName, std::u16string_view keyName,
                  std::u16string_view value)
    {
        const int at = key(sectionName, keyName);
        if (at >= 0) {
            // The key keeps the spelling it has in the file.
            lines_[at] = classify(encode(lines_[at].name) + "=" + encode(storedValue(value)));
            return;
        }
        const std::string line = encode(keyName) + "=" + encode(storedValue(value));
        const auto [first, end] = section(sectionName);
        if (first >= 0) {
            // After the section's last non-blank line, so that a blank line separating it
            // from the next section stays where it is.
            int pos = end;
            while (pos > first && isBlankLine(lines_[pos - 1]))
                --pos;
            lines_.insert(lines_.begin() + pos, classify(line));
            return;
        }
        if (!lines_.empty() && !isBlankLine(lines_.back()))
            lines_.push_back(classify(std::string()));
        lines_.push_back(classify("[" + encode(sectionName) + "]"));
        lines_.push_back(classify(line));
    }

    bool removeKey(std::u16string_view sectionName, std::u16string_view keyName)
    {
        const int at = key(sectionName, keyName);
        if (at < 0)
            return false;
        lines_.erase(lines_.begin() + at);
        return true;
    }

    // Drops every line of the section but its header; appends the header when missing.
    void clearSection(std::u16string_view sectionName)
    {
        const auto [first, end] = section(sectionName);
        if (first < 0) {
            if (!lines_.empty() && !isBlankLine(lines_.back()))
                lines_.push_back(classify(std::string()));
            lines_.push_back(classify("[" + encode(sectionName) + "]"));
            return;
        }
        // Blank lines before the next section stay, as separators.
        int stop = end;
        while (stop > first && isBlankLine(lines_[stop - 1]))
            --stop;
        lines_.erase(lines_.begin() + first, lines_.begin() + stop);
    }

    bool removeSection(std::u16string_view sectionName)
    {
        const auto [first, end] = section(sectionName);
        if (first < 0)
            return false;
        lines_.erase(lines_.begin() + (first - 1), lines_.begin() + end);
        return true;
    }

private:
    static std::string encode(std::u16string_view text) { return cp932::encode(text).bytes; }

    static bool isBlankLine(const Line &l)
    {
        return l.kind == Line::Other && l.raw.find_first_not_of(" \t") == std::string::npos;
    }

    // What goes after "=": one line, and quoted when reading it back would otherwise lose
    // blanks at its ends or quotes around it.
    static std::u16string storedValue(std::u16string_view value)
    {
        std::u16string v(value);
        for (char16_t &c : v) {
            if (c == u'\r' || c == u'\n' || c == u'\0')
                c = u' ';
        }
        const bool blankEnds = !v.empty() && (isBlank(v.front()) || isBlank(v.back()));
        const bool quoted = v.size() >= 2 && isQuote(v.front()) && v.front() == v.back();
        if (blankEnds || quoted)
            v = u"\"" + v + u"\"";
        return v;
    }

    static Line classify(std::string raw)
    {
        Line l;
        l.raw = std::move(raw);
        const std::u16string text = cp932::decode(l.raw);
        const std::u16string_view t = trimmed(text);
        if (t.empty())
            return l;
        if (t.front() == u'[') {
            std::u16string_view name = t.substr(1);
            const size_t close = name.find(u']');
            if (close != std::u16string_view::npos)
                name = name.substr(0, close);
            l.kind = Line::Section;
            l.name = std::u16string(trimmed(name));
            return l;
        }
        const size_t eq = t.find(u'=');
        if (eq == std::u16string_view::npos)
            return l;
        const std::u16string_view name = trimmed(t.substr(0, eq));
        if (!name.empty() && name.front() == u';')
            return l;
        std::u16string_view value = trimmed(t.substr(eq + 1));
        if (value.size() >= 2 && isQuote(value.front()) && value.front() == value.back())
            value = value.substr(1, value.size() - 2);
        l.kind = Line::Key;
        l.name = std::u16string(name);
        l.value = std::u16string(value);
        return l;
    }

    std::vector<Line> lines_;
};

// The longest head of value that fits in the read limit without splitting a character.
std::u16string_view cutToLimit(std::u16string_view value)
{
    int bytes = 0;
    size_t i = 0;
    while (i < value.size()) {
        char32_t c = value[i];
        size_t units = 1;
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < value.size() && value[i + 1] >= 0xDC00
            && value[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (value[i + 1] - 0xDC00);
            units = 2;
        }
        const int w = cp932::byteWidth(c);
        if (bytes + w > TProfileFile::kMaxValueBytes)
            break;
        bytes += w;
        i += units;
    }
    return value.substr(0, i);
}

int hexDigit(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

} // namespace

TProfileFile::TProfileFile(QString fileName, ProfileStorage &storage)
    : fileName_(std::move(fileName)), storage_(&storage)
{
}

std::string TProfileFile::load() const
{
    if (fileName_.isEmpty())
        return {};
    return storage_->read(fileName_).value_or(std::string());
}

[[noreturn]] static void throwWriteRefused(const QString &fileName)
{
    const QString message = QString::fromUtf8(kWriteRefused).replace(QStringLiteral("%s"), fileName);
    throw ComponentError(message.toStdString());
}

void TProfileFile::change(const ProfileStorage::Edit &edit)
{
    if (!storage_->modify(fileName_, edit))
        throwWriteRefused(fileName_);
}

QString TProfileFile::ReadString(const QString &section, const QString &key,
                                 const QString &def) const
{
    const Profile p(load());
    const int at = p.key(toU16(section), toU16(key));
    if (at < 0)
        return def;
    return toQString(cutToLimit(p.lines()[at].value));
}

bool TProfileFile::ParseInteger(const QString &text, std::int32_t &value)
{
    const std::u16string s = toU16(text);
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        negative = s[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < s.size() && s[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= s.size())
        return false;
    std::uint64_t magnitude = 0;
    for (; i < s.size(); ++i) {
        const int d = hexDigit(s[i]);
        if (d < 0 || d >= base)
            return false;
        magnitude = magnitude * base + std::uint64_t(d);
        if (magnitude > 0xFFFFFFFFull)
            return false;
    }
    if (base == 16) {
        // Hexadecimal names the 32 bits themselves.
        const auto bits = std::int32_t(std::uint32_t(magnitude));
        value = negative ? std::int32_t(0u - std::uint32_t(bits)) : bits;
        return true;
    }
    if (negative ? magnitude > 0x80000000ull : magnitude > 0x7FFFFFFFull)
        return false;
    value = negative ? std::int32_t(-std::int64_t(magnitude)) : std::int32_t(magnitude);
    return true;
}

std::int32_t TProfileFile::ReadInteger(const QString &section, const QString &key,
                                       std::int32_t def) const
{
    std::int32_t value = 0;
    return ParseInteger(ReadString(section, key, QString()), value) ? value : def;
}

bool TProfileFile::ReadBool(const QString &section, const QString &key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TProfileFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    change([s = toU16(section), k = toU16(key), v = toU16(value)](std::string &bytes) {
        Profile p(bytes);
        p.setValue(s, k, v);
        std::string updated = p.bytes();
        if (updated == bytes)
            return false;
        bytes = std::move(updated);
        return true;
    });
}

void TProfileFile::WriteInteger(const QString &section, const QString &key, std::int32_t value)
{
    WriteString(section, key, QString::number(value));
}

void TProfileFile::WriteBool(const QString &section, const QString &key, bool value)
{
    WriteInteger(section, key, value ? 1 : 0);
}

QStringList TProfileFile::ReadSection(const QString &section) const
{
    const Profile p(load());
    QStringList keys;
    const auto [first, end] = p.section(toU16(section));
    for (int i = first; i >= 0 && i < end; ++i) {
        if (p.lines()[i].kind == Line::Key)
            keys << toQString(p.lines()[i].name);
    }
    return keys;
}

QStringList TProfileFile::ReadSections() const
{
    const Profile p(load());
    QStringList names;
    for (const Line &l : p.lines()) {
        if (l.kind == Line::Section)
            names << toQString(l.name);
    }
    return names;
}

bool TProfileFile::SectionExists(const QString &section) const
{
    return Profile(load()).section(toU16(section)).first >= 0;
}

bool TProfileFile::ValueExists(const QString &section, const QString &key) const
{
    return Profile(load()).key(toU16(section), toU16(key)) >= 0;
}

void TProfileFile::EraseSection(const QString &section)
{
    change([s = toU16(section)](std::string &bytes) {
        Profile p(bytes);
        if (!p.removeSection(s))
            return false;
        bytes = p.bytes();
        return true;
    });
}

void TProfileFile::ReplaceSection(const QString &section,
                                  const QList<std::pair<QString, QString>> &values)
{
    if (values.isEmpty()) {
        EraseSection(section);
        return;
    }
    std::vector<std::pair<std::u16string, std::u16string>> keys;
    for (const auto &[key, value] : values)
        keys.emplace_back(toU16(key), toU16(value));
    change([s = toU16(section), keys = std::move(keys)](std::string &bytes) {
        Profile p(bytes);
        p.clearSection(s);
        for (const auto &[key, value] : keys)
            p.setValue(s, key, value);
        std::string updated = p.bytes();
        if (updated == bytes)
            return false;
        bytes = std::move(updated);
        return true;
    });
}

void TProfileFile::UpdateSection(const QString &section,
                                 const std::function<SectionValues(const SectionValues &)> &update)
{
    change([s = toU16(section), update](std::string &bytes) {
        Profile p(bytes);
        SectionValues current;
        const auto [first, end] = p.section(s);
        for (int i = first; i >= 0 && i < end; ++i) {
            const Line &l = p.lines()[i];
            if (l.kind == Line::Key)
                current.append({toQString(l.name), toQString(cutToLimit(l.value))});
        }
        const SectionValues values = update(current);
        if (values.isEmpty()) {
            if (!p.removeSection(s))
                return false;
        } else {
            p.clearSection(s);
            for (const auto &[key, value] : values)
                p.setValue(s, toU16(key), toU16(value));
        }
        std::string updated = p.bytes();
        if (updated == bytes)
            return false;
        bytes = std::move(updated);
        return true;
    });
}

void TProfileFile::DeleteKey(const QString &section, const QString &key)
{
    change([s = toU16(section), k = toU16(key)](std::string &bytes) {
        Profile p(bytes);
        if (!p.removeKey(s, k))
            return false;
        bytes = p.bytes();
        return true;
    });
}

// A name the code page holds exactly goes in as it is, so files written before, and other
// programs reading them, see what they always saw. Anything else (a letter outside the code
// page, a line break, bytes that are not UTF-8) is stored as the name's bytes in URL form,
// which is plain ASCII and reads back byte for byte. No full path starts with "file:".
QString TProfileFile::PathValue(const QString &path)
{
    const std::u16string text = toU16(path);
    const cp932::EncodeResult encoded = cp932::encode(text);
    const bool plain = encoded.unrepresentable.empty() && cp932::decode(encoded.bytes) == text
                       && !path.contains(QLatin1Char('\r')) && !path.contains(QLatin1Char('\n'))
                       && !path.contains(QChar(u'\0')) && !path.startsWith(kPathPrefix);
    if (plain)
        return path;
    return kPathPrefix + QString::fromLatin1(QFile::encodeName(path).toPercentEncoding("/"));
}

QString TProfileFile::PathFromValue(const QString &value)
{
    if (!value.startsWith(kPathPrefix))
        return value;
    return QFile::decodeName(QByteArray::fromPercentEncoding(value.mid(kPathPrefix.size()).toLatin1()));
}

QString TProfileFile::ReadPath(const QString &section, const QString &key, const QString &def) const
{
    return PathFromValue(ReadString(section, key, def));
}

void TProfileFile::WritePath(const QString &section, const QString &key, const QString &path)
{
    WriteString(section, key, PathValue(path));
}

TProfileBatch::TProfileBatch(QString fileName, ProfileStorage &storage)
    : fileName_(std::move(fileName)), storage_(&storage)
{
    if (!fileName_.isEmpty())
        storage_->beginBatch(fileName_);
    else
        done_ = true;
}

TProfileBatch::~TProfileBatch()
{
    // Left early by an error: what was collected is written all the same, as single writes
    // would have been; that error is the one the user sees.
    if (!done_)
        storage_->commitBatch(fileName_);
}

void TProfileBatch::Commit()
{
    if (done_)
        return;
    done_ = true;
    if (!storage_->commitBatch(fileName_))
        throwWriteRefused(fileName_);
}

} // namespace velmo
