// Address links: web, file and mail addresses written in the text, found around a byte
// position of one display line and handed to the desktop's opener.
//
// The finder works on the line's code-page-932 bytes. A byte that belongs to a double-byte
// character (lead or trail) never belongs to an address, so "@" (0x40) as the trail byte of
// a full-width space (81 40) is no mail sign. Which bytes are trail bytes is only known by
// reading forwards from a character boundary; the finder therefore reads from the line's
// start, or, on a long line, from a bounded stretch around the position (see LinkText).
#pragma once

#include <QString>
#include <QUrl>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velmo {

class Shell;
class TRichEdit;

// The prefixes an address begins with, tried in this order. "https:" sits before "http:".
const std::vector<std::string> &DefaultAddressPrefixes();

// The 14 bytes that end an address besides double-byte characters and control bytes.
bool IsAddressDelimiter(unsigned char b);

struct AddressSearch {
    enum Outcome {
        Found,        // address holds it
        None,         // no address here
        OnDoubleByte, // the position is on a double-byte character: nothing was looked for
    };
    Outcome outcome = None;
    std::string address; // bytes as written in the text, with "http://" or "mailto:" in front
    // The word the address was taken from, as indexes into the stretch [wordStart, wordEnd).
    std::size_t wordStart = 0, wordEnd = 0;
};

// Looks for an address around stretch[index] (index == stretch.size() points just past the
// end). stretch is a piece of one display line: fromLineStart says its first byte starts
// the line, toLineEnd that it ends where the line ends. A word that runs into an edge of the
// stretch that is not the line's edge is not taken: part of an address is never opened.
AddressSearch FindAddressIn(std::string_view stretch, std::size_t index,
                            const std::vector<std::string> &prefixes = DefaultAddressPrefixes(),
                            bool fromLineStart = true, bool toLineEnd = true);

// What an address becomes when it is opened: the bytes decoded from code page 932 into a
// URL, or an invalid QUrl when it must not be opened. Only the schemes of the prefix list
// (http, https, ftp, gopher, mailto, file) pass; a mail address loses its attach= and
// attachment= parameters; a file: address must name an existing folder, or an existing
// file that is neither executable nor a program's launcher (a desktop entry, a script, an
// executable format).
QUrl AddressToUrl(const std::string &address);

// The line queries the finder asks of the text, in byte positions. TRichEdit answers them
// (EditorLinkText); tests count what is read.
class LinkText {
public:
    virtual ~LinkText() = default;
    virtual int LineFromChar(int pos) const = 0;
    virtual int LineIndex(int line) const = 0;
    // Length of the line holding pos, without its line end.
    virtual int LineLength(int pos) const = 0;
    virtual std::string TextRangeBytes(int first, int length) const = 0;
};

class EditorLinkText : public LinkText {
public:
    explicit EditorLinkText(const TRichEdit &editor) : editor_(editor) {}
    int LineFromChar(int pos) const override;
    int LineIndex(int line) const override;
    int LineLength(int pos) const override;
    std::string TextRangeBytes(int first, int length) const override;

private:
    const TRichEdit &editor_;
};

// The link finder of one editor window.
class TUrlLink {
public:
    // Bytes read on each side of the position: a longer word is no address. Keeps the cost
    // of a search on a very long line the same as on a short one.
    static constexpr int kReach = 4096;

    // shell may be null: nothing is ever opened then.
    TUrlLink(const LinkText &editor, Shell *shell);

    // Looks for an address around the byte position pos. On success Address holds it. On a
    // double-byte character Address is left as it was; any other miss empties it.
    bool FindAddressAt(int pos);
    // Hands Address to the desktop's opener. True when it was opened; an address refused by
    // AddressToUrl, or one the desktop could not open, gives false.
    bool OpenAddress();
    // Address decoded for showing.
    QString AddressText() const;

    const LinkText &Editor;
    std::vector<std::string> Prefixes;
    std::string Address;

private:
    Shell *shell_;
};

} // namespace velmo
