// TTextFinder: literal search over one editor's text in a single pass. The editor's text is
// read as one flat string (Qt's own positions, one character per paragraph end) and kept
// until the document changes; hits go back to byte positions through the editor. Matches
// are whole characters by construction, so "A" is never found inside a double-byte
// character whose second byte is 0x41, and a hit's length is the bytes of the text it
// covers in the document.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QTextDocument;

namespace velmo {

class TRichEdit;

class TTextFinder : public QObject {
    Q_OBJECT
public:
    explicit TTextFinder(TRichEdit &edit, QObject *parent = nullptr);

    // First occurrence at or after cpMin that ends at or before cpMax (-1: the end), with the
    // rich-edit find flags FR_WHOLEWORD and FR_MATCHCASE. Returns its byte position or -1;
    // matchEnd receives its end.
    int Find(const QString &text, int cpMin, int cpMax, unsigned flags, int *matchEnd = nullptr);
    // The last occurrence that lies wholly before `before`, as a forward scan from the start
    // that does not let occurrences overlap ("aa" in "aaaa" before 4 is the one at 2).
    int FindLastBefore(const QString &text, int before, unsigned flags, int *matchEnd = nullptr);

private:
    const QString &flatText();
    // Qt position of the occurrence at or after qtFrom that ends at or before qtTo, or -1.
    qsizetype findQt(const QString &needle, qsizetype qtFrom, qsizetype qtTo, unsigned flags);
    // Qt position of the first whole character at or after the byte position.
    qsizetype qtAtOrAfter(int pos) const;

    TRichEdit &edit_;
    QPointer<QTextDocument> cachedFor_;
    QString text_;
    bool stale_ = true;
};

} // namespace velmo
