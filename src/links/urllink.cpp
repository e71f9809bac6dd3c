#include "links/urllink.h"

#include "editor/richedit.h"
#include "platform/codepages.h"
#include "platform/cp932codec.h"
#include "platform/shell.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QStringList>
#include <QUrlQuery>

#include <algorithm>

namespace velmo {

namespace {

bool isLead(unsigned char b) { return codepage::isLeadByte(codepage::kShiftJis, b); }
bool canTrail(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

std::string asciiLower(std::string_view s)
{
    std::string out(s);
    for (char &c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return out;
}

// What each byte of a stretch is, read as the code page reads it: a lead byte and the byte
// after it are one character only when together they make one; otherwise the lead byte
// stands alone (a raw byte, never part of an address) and the next byte is a character of
// its own. Unknown: a byte at the start of a stretch cut out of a longer line that may be a
// character of its own or the trail byte of the one before.
enum class Kind : unsigned char { Single, Double, Unknown };

std::vector<Kind> classify(std::string_view bytes, bool fromLineStart)
{
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const std::size_t n = bytes.size();
    std::vector<Kind> kinds(n, Kind::Single);
    std::size_t i = 0;
    if (!fromLineStart && n > 0) {
        // A byte that cannot lead a character is followed by the start of one: read from
        // there. Before it, every lead-range byte is a lead or a trail, part of no address
        // whichever way the characters fall; the non-lead byte itself is undecided when it
        // may be the trail of the byte before it.
        std::size_t sync = n;
        for (std::size_t k = 0; k < n; ++k)
            if (!isLead(at(k))) {
                sync = k + 1;
                break;
            }
        for (; i < sync; ++i) {
            if (isLead(at(i)))
                kinds[i] = Kind::Double;
            else if (i == 0 ? canTrail(at(i)) : cp932::isPair(at(i - 1), at(i)))
                kinds[i] = Kind::Unknown;
        }
    }
    while (i < n) {
        if (isLead(at(i))) {
            kinds[i] = Kind::Double;
            if (i + 1 < n && cp932::isPair(at(i), at(i + 1))) {
                kinds[i + 1] = Kind::Double;
                i += 2;
                continue;
            }
        }
        ++i;
    }
    return kinds;
}

// Control bytes end an address too: a tab between two words must not join them into one.
bool isControl(unsigned char b) { return b < 0x20 || b == 0x7F; }

const QStringList &openableSchemes()
{
    static const QStringList schemes{QStringLiteral("http"),   QStringLiteral("https"),
                                     QStringLiteral("ftp"),    QStringLiteral("gopher"),
                                     QStringLiteral("mailto"), QStringLiteral("file")};
    return schemes;
}

// Kinds of file the desktop would run rather than show.
bool isLauncherType(const QMimeType &type)
{
    static const char *const programs[] = {
        "application/x-desktop",           "application/x-executable",
        "application/x-pie-executable",    "application/x-sharedlib",
        "application/x-shellscript",       "application/x-ms-dos-executable",
        "application/x-msdownload",        "application/x-msi",
        "application/x-java-archive",      "application/vnd.appimage",
        "application/x-iso9660-appimage",  "application/vnd.flatpak.ref",
        "application/vnd.flatpak",
    };
    for (const char *name : programs)
        if (type.inherits(QString::fromLatin1(name)))
            return true;
    return false;
}

QUrl openableFile(const QUrl &url)
{
    const QString host = url.host();
    if (!host.isEmpty() && host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) != 0)
        return {};
    const QString path = url.toLocalFile();
    if (path.isEmpty())
        return {};
    const QFileInfo named(path);
    if (!named.exists())
        return {};
    const QFileInfo target(named.canonicalFilePath());
    const QUrl local = QUrl::fromLocalFile(named.absoluteFilePath());
    if (target.isDir())
        return local;
    // Devices, pipes and sockets are no documents.
    if (!target.isFile() || target.isExecutable())
        return {};
    const QMimeDatabase types;
    // A link may carry another name than its target; the desktop may go by either.
    for (const QFileInfo &file : {named, target}) {
        if (file.suffix().compare(QStringLiteral("desktop"), Qt::CaseInsensitive) == 0)
            return {};
        if (isLauncherType(types.mimeTypeForFile(file)))
            return {};
    }
    return local;
}

// A mail program may attach any file an attach= parameter names to the mail it prepares.
void dropAttachments(QUrl &url)
{
    if (!url.hasQuery())
        return;
    const QUrlQuery query(url);
    QUrlQuery kept;
    QList<std::pair<QString, QString>> items;
    for (const auto &[key, value] : query.queryItems(QUrl::FullyEncoded)) {
        const QString name = QUrl::fromPercentEncoding(key.toLatin1()).toLower();
        if (name == QLatin1String("attach") || name == QLatin1String("attachment"))
            continue;
        items.append({key, value});
    }
    kept.setQueryItems(items);
    if (items.isEmpty())
        url.setQuery(QString());
    else
        url.setQuery(kept.toString(QUrl::FullyEncoded), QUrl::StrictMode);
}

} // namespace

const std::vector<std::string> &DefaultAddressPrefixes()
{
    static const std::vector<std::string> prefixes{"mailto:", "https:", "http:", "ftp:", "gopher:", "file:"};
    return prefixes;
}

bool IsAddressDelimiter(unsigned char b)
{
    switch (b) {
    case ' ': case ',': case ';': case '(': case ')': case '|': case '[': case ']':
    case '{': case '}': case '<': case '>': case '\'': case '"':
        return true;
    default:
        return false;
    }
}

AddressSearch FindAddressIn(std::string_view stretch, std::size_t index,
                            const std::vector<std::string> &prefixes, bool fromLineStart, bool toLineEnd)
{
    AddressSearch result;
    const std::vector<Kind> kinds = classify(stretch, fromLineStart);
    const std::size_t n = stretch.size();
    const auto ends = [&](std::size_t i) {
        const auto b = static_cast<unsigned char>(stretch[i]);
        return kinds[i] != Kind::Single || IsAddressDelimiter(b) || isControl(b);
    };
    index = std::min(index, n);
    if (index < n && kinds[index] == Kind::Double) {
        result.outcome = AddressSearch::OnDoubleByte;
        return result;
    }
    // Back to the byte before the word; a position past the end of the line is on nothing.
    std::ptrdiff_t before = index < n ? std::ptrdiff_t(index) : std::ptrdiff_t(n) - 1;
    while (before >= 0 && !ends(std::size_t(before)))
        --before;
    if ((before < 0 && !fromLineStart) || (before >= 0 && kinds[std::size_t(before)] == Kind::Unknown))
        return result; // the word goes on before the stretch
    const std::size_t start = std::size_t(before + 1);
    std::size_t end = start;
    while (end < n && !ends(end))
        ++end;
    if (end == n && !toLineEnd)
        return result; // the word goes on after the stretch
    const std::string_view word = stretch.substr(start, end - start);
    result.wordStart = start;
    result.wordEnd = end;
    // Matched without regard to case; the address keeps the letters as written, since paths
    // and queries tell capitals from small letters.
    const std::string lower = asciiLower(word);
    for (const std::string &prefix : prefixes) {
        const std::size_t at = lower.find(prefix);
        if (at != std::string::npos) {
            result.outcome = AddressSearch::Found;
            result.address = std::string(word.substr(at));
            return result;
        }
    }
    if (const std::size_t at = lower.find("www"); at != std::string::npos) {
        result.outcome = AddressSearch::Found;
        result.address = "http://" + std::string(word.substr(at));
        return result;
    }
    if (lower.find('@') != std::string::npos) {
        result.outcome = AddressSearch::Found;
        result.address = "mailto:" + std::string(word);
        return result;
    }
    return result;
}

QUrl AddressToUrl(const std::string &address)
{
    if (address.empty())
        return {};
    // Bytes that are no character of the code page go into the URL as the bytes they are.
    QString text;
    for (const char16_t c : cp932::decode(address)) {
        if (cp932::isRawByte(c))
            text += QStringLiteral("%%1").arg(unsigned(c & 0xFF), 2, 16, QLatin1Char('0')).toUpper();
        else
            text += QChar(c);
    }
    QUrl url(text, QUrl::TolerantMode);
    if (!url.isValid())
        return {};
    const QString scheme = url.scheme().toLower();
    if (!openableSchemes().contains(scheme))
        return {};
    if (scheme == QLatin1String("file"))
        return openableFile(url);
    if (scheme == QLatin1String("mailto"))
        dropAttachments(url);
    return url;
}

// ---- EditorLinkText

int EditorLinkText::LineFromChar(int pos) const { return editor_.LineFromChar(pos); }
int EditorLinkText::LineIndex(int line) const { return editor_.LineIndex(line); }
int EditorLinkText::LineLength(int pos) const { return editor_.LineLength(pos); }
std::string EditorLinkText::TextRangeBytes(int first, int length) const
{
    return editor_.TextRangeBytes(first, length);
}

// ---- TUrlLink

TUrlLink::TUrlLink(const LinkText &editor, Shell *shell)
    : Editor(editor), Prefixes(DefaultAddressPrefixes()), shell_(shell)
{
}

bool TUrlLink::FindAddressAt(int pos)
{
    const int line = Editor.LineFromChar(pos);
    const int start = Editor.LineIndex(line);
    if (start < 0 || pos < start) {
        Address.clear();
        return false;
    }
    const int end = start + Editor.LineLength(start);
    // Only a stretch around the position is read: a word longer than the reach is no
    // address, and a long line costs no more than a short one.
    const int from = std::max(start, pos - kReach);
    const int to = std::min(end, std::max(pos, from) + kReach);
    const std::string stretch = Editor.TextRangeBytes(from, std::max(to - from, 0));
    const AddressSearch found = FindAddressIn(stretch, std::size_t(std::max(pos - from, 0)), Prefixes,
                                              from == start, from + int(stretch.size()) >= end);
    if (found.outcome == AddressSearch::OnDoubleByte)
        return false;
    Address = found.address;
    return found.outcome == AddressSearch::Found;
}

bool TUrlLink::OpenAddress()
{
    if (!shell_ || Address.empty())
        return false;
    const QUrl url = AddressToUrl(Address);
    if (!url.isValid())
        return false;
    return shell_->openAddress(url);
}

QString TUrlLink::AddressText() const
{
    return QString::fromStdU16String(cp932::decode(Address));
}

} // namespace velmo
