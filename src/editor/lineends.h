// Paragraph ends in the form they were read: CR LF, LF or CR. A text file keeps the form
// of each of its line ends, so that opening and saving it gives the same bytes back; a
// paragraph end made while editing takes the document's form.
//
// The form of a paragraph end is kept on the paragraph that follows it, as a property of
// that paragraph's block format. Joining two paragraphs then removes the paragraph end
// together with its form, and undo brings both back.
#pragma once

#include <QString>
#include <QTextFormat>
#include <string_view>
#include <vector>

class QTextBlock;
class QTextCursor;
class QTextDocument;

namespace velmo::editor {

enum class LineEnd { CrLf = 0, Lf = 1, Cr = 2 };

// Block format property holding the form of the paragraph end before the block (absent: CR LF).
constexpr int kLineEndProperty = QTextFormat::UserProperty + 100;

constexpr int lineEndBytes(LineEnd form) { return form == LineEnd::CrLf ? 2 : 1; }
std::string_view lineEndText(LineEnd form);
QString lineEndString(LineEnd form);

// The form of the paragraph end that precedes block (CR LF for the first block).
LineEnd lineEndBefore(const QTextBlock &block);
// The form of the paragraph end that closes block; false for the last block, which has none.
bool lineEndAfter(const QTextBlock &block, LineEnd &form);
// Sets the form of the paragraph end before block (a change of its block format).
void setLineEndBefore(const QTextBlock &block, LineEnd form);
// The form new paragraph ends take: that of the document's first paragraph end, CR LF when
// it has none.
LineEnd documentLineEnd(const QTextDocument &document);

// Text cut into paragraphs at CR LF, LF and CR: the paragraphs joined by LF, as Qt takes
// plain text, and ends[i], the form of the i-th paragraph end as read.
struct SplitText {
    QString text;
    std::vector<LineEnd> ends;
};
SplitText splitLines(std::u16string_view text);
// Replaces the document's text by the paragraphs, each paragraph end in its own form.
void setPlainTextWithLineEnds(QTextDocument &document, const SplitText &text);
// Gives the paragraph ends of a document that holds text's paragraphs their forms.
void applyLineEnds(QTextDocument &document, const std::vector<LineEnd> &ends);

} // namespace velmo::editor
