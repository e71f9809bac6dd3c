#include "editor/lineends.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace velmo::editor {

std::string_view lineEndText(LineEnd form)
{
    switch (form) {
    case LineEnd::Lf: return "\n";
    case LineEnd::Cr: return "\r";
    case LineEnd::CrLf: break;
    }
    return "\r\n";
}

QString lineEndString(LineEnd form)
{
    return QString::fromLatin1(lineEndText(form));
}

LineEnd lineEndBefore(const QTextBlock &block)
{
    const QVariant v = block.blockFormat().property(kLineEndProperty);
    if (!v.isValid() || !block.previous().isValid())
        return LineEnd::CrLf;
    const int form = v.toInt();
    return form == int(LineEnd::Lf) ? LineEnd::Lf : form == int(LineEnd::Cr) ? LineEnd::Cr : LineEnd::CrLf;
}

bool lineEndAfter(const QTextBlock &block, LineEnd &form)
{
    const QTextBlock next = block.next();
    if (!next.isValid())
        return false;
    form = lineEndBefore(next);
    return true;
}

void setLineEndBefore(const QTextBlock &block, LineEnd form)
{
    if (!block.isValid() || lineEndBefore(block) == form)
        return;
    QTextBlockFormat f = block.blockFormat();
    if (form == LineEnd::CrLf)
        f.clearProperty(kLineEndProperty);
    else
        f.setProperty(kLineEndProperty, int(form));
    QTextCursor(block).setBlockFormat(f);
}

LineEnd documentLineEnd(const QTextDocument &document)
{
    const QTextBlock second = document.begin().next();
    return second.isValid() ? lineEndBefore(second) : LineEnd::CrLf;
}

SplitText splitLines(std::u16string_view text)
{
    // One pass, written straight into the joined text: a large file has tens of thousands
    // of paragraphs, and a string per paragraph costs more than the text itself.
    SplitText out;
    out.text.resize(qsizetype(text.size()));
    char16_t *to = reinterpret_cast<char16_t *>(out.text.data());
    const std::size_t n = text.size();
    std::size_t length = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t c = text[i];
        if (c != u'\r' && c != u'\n') {
            to[length++] = c;
            continue;
        }
        to[length++] = u'\n';
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n') {
            out.ends.push_back(LineEnd::CrLf);
            ++i;
        } else {
            out.ends.push_back(c == u'\r' ? LineEnd::Cr : LineEnd::Lf);
        }
    }
    out.text.truncate(qsizetype(length));
    return out;
}

void setPlainTextWithLineEnds(QTextDocument &document, const SplitText &text)
{
    document.setPlainText(text.text);
    applyLineEnds(document, text.ends);
}

void applyLineEnds(QTextDocument &document, const std::vector<LineEnd> &ends)
{
    bool allCrLf = true;
    for (LineEnd e : ends)
        allCrLf = allCrLf && e == LineEnd::CrLf;
    if (allCrLf)
        return;
    QTextCursor group(&document);
    group.beginEditBlock();
    QTextBlock block = document.begin().next();
    for (std::size_t i = 0; i < ends.size() && block.isValid(); ++i, block = block.next())
        setLineEndBefore(block, ends[i]);
    group.endEditBlock();
}

} // namespace velmo::editor
