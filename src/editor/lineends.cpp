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

SplitText splitLines(const QString &text)
{
    SplitText out;
    qsizetype from = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        out.paragraphs << text.mid(from, i - from);
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n') {
            out.ends.push_back(LineEnd::CrLf);
            ++i;
        } else {
            out.ends.push_back(c == u'\r' ? LineEnd::Cr : LineEnd::Lf);
        }
        from = i + 1;
    }
    out.paragraphs << text.mid(from);
    return out;
}

void setPlainTextWithLineEnds(QTextDocument &document, const SplitText &text)
{
    document.setPlainText(text.paragraphs.join(QChar(u'\n')));
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
