// The clipboard in the program's own formats: a rich copy offers RTF from the program's
// writer beside plain text (and Qt's HTML); a rich paste takes RTF first, through the
// program's reader, so that what it reads from files it also reads from the clipboard.
#include "editor/richedit.h"

#include "editor/richstream.h"
#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"

#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

namespace velmo {

namespace {

const QString kRtfMime = QStringLiteral("text/rtf");

} // namespace

QMimeData *TRichEdit::createMimeDataFromSelection() const
{
    const QTextCursor selection = textCursor();
    if (m_plainText) {
        // A text document offers text only: nothing of Qt's formatting goes out with it.
        auto *data = new QMimeData;
        data->setText(selection.selection().toPlainText());
        return data;
    }
    QMimeData *data = QTextEdit::createMimeDataFromSelection();
    QTextDocument copy;
    copy.setDefaultFont(document()->defaultFont());
    QTextCursor(&copy).insertFragment(selection.selection());
    const std::string rtf = rtf::write(editor::documentToModel(copy, m_defaultFormat));
    data->setData(kRtfMime, QByteArray(rtf.data(), qsizetype(rtf.size())));
    return data;
}

bool TRichEdit::insertRtfFromMimeData(const QMimeData *source)
{
    if (!source->hasFormat(kRtfMime))
        return false;
    const QByteArray bytes = source->data(kRtfMime);
    const std::string_view view(bytes.constData(), std::size_t(bytes.size()));
    if (!rtf::looksLikeRtf(view))
        return false;
    rtf::ReadResult result = rtf::read(view);
    if (!result.ok())
        return false;
    QTextDocument pasted;
    pasted.setDefaultFont(document()->defaultFont());
    editor::loadModelInto(result.document, pasted);
    const QTextDocumentFragment fragment(&pasted);
    if (exceedsMaxLength(std::int64_t(editor::encodeCounted(fragment.toPlainText().toStdU16String()).size())))
        return false;
    insertWithLineEnds([&] { textCursor().insertFragment(fragment); });
    ensureCursorVisible();
    return true;
}

} // namespace velmo
