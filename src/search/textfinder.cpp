#include "search/textfinder.h"

#include "editor/richedit.h"

#include <QTextDocument>

#include <algorithm>

namespace velmo {

namespace {

// How the engine stores a line break inside a paragraph; '\v' in the control's text.
constexpr char16_t kLineSeparator = 0x2028;

bool isWordChar(QChar c) { return c.isLetterOrNumber(); }

} // namespace

TTextFinder::TTextFinder(TRichEdit &edit, QObject *parent) : QObject(parent), edit_(edit) {}

const QString &TTextFinder::flatText()
{
    QTextDocument *document = edit_.document();
    if (stale_ || cachedFor_ != document) {
        if (cachedFor_ != document) {
            if (cachedFor_)
                disconnect(cachedFor_, nullptr, this, nullptr);
            connect(document, &QTextDocument::contentsChange, this, [this] { stale_ = true; });
            cachedFor_ = document;
        }
        // Position for position the document: one character per paragraph end.
        text_ = document->toRawText();
        stale_ = false;
    }
    return text_;
}

qsizetype TTextFinder::qtAtOrAfter(int pos) const
{
    // A position inside a double-byte character moves on to the next character.
    int qt = edit_.toQt(pos);
    if (edit_.fromQt(qt) < pos)
        ++qt;
    return qt;
}

qsizetype TTextFinder::findQt(const QString &needle, qsizetype qtFrom, qsizetype qtTo, unsigned flags)
{
    const QString &hay = flatText();
    qtTo = std::min<qsizetype>(qtTo, hay.size());
    const Qt::CaseSensitivity cs = (flags & FR_MATCHCASE) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const QStringView window = QStringView(hay).first(std::max<qsizetype>(qtTo, 0));
    qsizetype from = qtFrom;
    while (from >= 0 && from + needle.size() <= window.size()) {
        const qsizetype at = window.indexOf(needle, from, cs);
        if (at < 0)
            return -1;
        const qsizetype after = at + needle.size();
        if ((flags & FR_WHOLEWORD) &&
            ((at > 0 && isWordChar(hay[at - 1])) || (after < hay.size() && isWordChar(hay[after])))) {
            from = at + 1;
            continue;
        }
        return at;
    }
    return -1;
}

int TTextFinder::Find(const QString &text, int cpMin, int cpMax, unsigned flags, int *matchEnd)
{
    if (matchEnd)
        *matchEnd = -1;
    const int length = edit_.GetTextLength();
    if (text.isEmpty() || cpMin > length)
        return -1;
    if (cpMax < 0 || cpMax > length)
        cpMax = length;
    QString needle = text;
    needle.replace(QChar(u'\v'), QChar(kLineSeparator));
    // The range's end in Qt positions: the last whole character that ends by cpMax.
    const qsizetype qtTo = edit_.toQt(cpMax);
    const qsizetype at = findQt(needle, qtAtOrAfter(std::max(cpMin, 0)), qtTo, flags);
    if (at < 0)
        return -1;
    const int end = edit_.fromQt(int(at + needle.size()));
    if (end > cpMax)
        return -1;
    if (matchEnd)
        *matchEnd = end;
    return edit_.fromQt(int(at));
}

int TTextFinder::FindLastBefore(const QString &text, int before, unsigned flags, int *matchEnd)
{
    if (matchEnd)
        *matchEnd = -1;
    int last = -1, lastEnd = -1;
    int pos = 0;
    while (pos < before) {
        int end = -1;
        const int hit = Find(text, pos, before, flags, &end);
        if (hit < 0)
            break;
        last = hit;
        lastEnd = end;
        pos = std::max(end, hit + 1); // an empty match cannot stall the scan
    }
    if (matchEnd)
        *matchEnd = lastEnd;
    return last;
}

} // namespace velmo
