// The address finder on its own: stretches cut out of long lines, what a miss leaves in
// Address, how much of a very long line a search reads, and which addresses may be opened.
#include "links/urllink.h"
#include "platform/cp932codec.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace velmo {
namespace {

std::string sjis(const char *utf8)
{
    return cp932::encode(QString::fromUtf8(utf8).toStdU16String()).bytes;
}

// Stretches that are not a whole line: a word running into a cut edge is never taken, and
// the first bytes of a stretch cut inside a double-byte run are read correctly.
TEST(FindAddressIn, StretchEdgesThatAreNotTheLinesEdges)
{
    struct Case {
        const char *name;
        std::string stretch;
        std::string pointAt; // the first occurrence is pointed at
        bool fromLineStart, toLineEnd;
        const char *address; // nullptr: none
    } cases[] = {
        {"word runs on after the stretch", "a http://h/path", "path", true, false, nullptr},
        {"the same word ends with the line", "a http://h/path", "path", true, true, "http://h/path"},
        {"word runs on before the stretch", "b/x y", "x", false, true, nullptr},
        {"the same word starts the line", "b/x y", "x", true, true, nullptr},
        // 88 9F (a kanji both of whose bytes could lead) cut in the middle: the bytes before
        // the first space are halves of characters, the space itself cannot be a trail.
        {"cut inside double-byte text", "\x9F\x88\x9F http://h/", "http", false, true, "http://h/"},
        // '|' (0x7C) could be the trail of 0x9F: undecided, so the word may go on before it.
        {"undecided byte before the word", "\x9F|http://h/", "http", false, true, nullptr},
        {"undecided byte as the line's own", "\x88\x9F|http://h/", "http", true, true, "http://h/"},
        // EB makes no character with any byte: it stands alone and "m" starts the word, in
        // a whole line as in a stretch.
        {"lead byte of no character", "\xEBmailto:a@b.jp", "a@", true, true, "mailto:a@b.jp"},
        {"lead byte of no character, cut", "\xEBmailto:a@b.jp", "a@", false, true, "mailto:a@b.jp"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t at = c.stretch.find(c.pointAt);
        ASSERT_NE(at, std::string::npos);
        const AddressSearch found =
            FindAddressIn(c.stretch, at, DefaultAddressPrefixes(), c.fromLineStart, c.toLineEnd);
        if (c.address) {
            EXPECT_EQ(found.outcome, AddressSearch::Found);
            EXPECT_EQ(found.address, c.address);
        } else {
            EXPECT_NE(found.outcome, AddressSearch::Found) << found.address;
        }
    }
}

// EC FF is no character: FF is a byte of its own and the word starts there, whether the
// line is read whole or cut just before EC.
TEST(FindAddressIn, WordAfterALeadByteOfNoCharacter)
{
    const std::string line = "a \xEC\xFFwww.example.jp";
    const AddressSearch whole = FindAddressIn(line, line.size());
    const AddressSearch cut = FindAddressIn(std::string_view(line).substr(2), line.size() - 2,
                                            DefaultAddressPrefixes(), false, true);
    ASSERT_EQ(whole.outcome, AddressSearch::Found);
    ASSERT_EQ(cut.outcome, AddressSearch::Found);
    EXPECT_EQ(whole.wordStart, 3u);
    EXPECT_EQ(cut.wordStart + 2, whole.wordStart);
    EXPECT_EQ(whole.address, cut.address);
}

// One long line served from memory; counts what the finder reads.
class LongLine : public LinkText {
public:
    explicit LongLine(std::string bytes) : bytes_(std::move(bytes)) {}
    int LineFromChar(int) const override { return 0; }
    int LineIndex(int line) const override { return line == 0 ? 0 : -1; }
    int LineLength(int) const override { return int(bytes_.size()); }
    std::string TextRangeBytes(int first, int length) const override
    {
        largestRead = std::max(largestRead, length);
        const int from = std::clamp(first, 0, int(bytes_.size()));
        return bytes_.substr(std::size_t(from), std::size_t(std::clamp(length, 0, int(bytes_.size()) - from)));
    }
    const std::string bytes_;
    mutable int largestRead = 0;
};

// A 10 MB line: a search reads a bounded stretch around the position, finds the address in
// the middle, and a miss on a double-byte character keeps the last address.
TEST(TUrlLink, ReadsABoundedStretchOfAVeryLongLine)
{
    const std::string japanese = sjis("日本語の文章、");
    std::string text;
    while (text.size() < 5'000'000)
        text += japanese;
    const int address = int(text.size());
    text += "http://host.example/Path";
    const int kanjiAfter = int(text.size());
    while (text.size() < 10'000'000)
        text += japanese;
    LongLine line(text);
    TUrlLink link(line, nullptr);

    EXPECT_TRUE(link.FindAddressAt(address + 7));
    EXPECT_EQ(link.Address, "http://host.example/Path");
    EXPECT_LE(line.largestRead, 2 * TUrlLink::kReach);

    EXPECT_FALSE(link.FindAddressAt(kanjiAfter));
    EXPECT_EQ(link.Address, "http://host.example/Path") << "a miss on a double-byte character keeps it";
    EXPECT_FALSE(link.FindAddressAt(kanjiAfter + 4096 * 3));
    EXPECT_EQ(link.Address, "http://host.example/Path");
    EXPECT_FALSE(link.FindAddressAt(int(text.size())));
    EXPECT_EQ(link.Address, "") << "any other miss empties it";
    EXPECT_LE(line.largestRead, 2 * TUrlLink::kReach);
}

// What may be handed to the desktop: the listed schemes only, mail without attachments,
// and file: addresses of existing documents and folders, never of programs or launchers.
TEST(AddressToUrl, OpensOnlyWhatCannotRunAProgram)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto write = [&](const QString &name, const QByteArray &bytes, bool executable = false) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        if (executable)
            file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
    };
    write("note.txt", "hello\n");
    write("tool", "#!/bin/sh\necho run\n", true);
    write("launch.desktop", "[Desktop Entry]\nType=Application\nExec=/bin/true\n");
    write("run.sh", "#!/bin/sh\necho run\n");
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
    ASSERT_TRUE(QFile::link(dir.filePath("tool"), dir.filePath("tool-link.txt")));
    const std::string root = "file://" + dir.path().toStdString() + "/";

    struct Case {
        std::string address;
        QString opened; // empty: refused
    } cases[] = {
        {root + "note.txt", QUrl::fromLocalFile(dir.filePath("note.txt")).toString()},
        {root + "folder", QUrl::fromLocalFile(dir.filePath("folder")).toString()},
        {"file:" + dir.path().toStdString() + "/note.txt", QUrl::fromLocalFile(dir.filePath("note.txt")).toString()},
        {root + "tool", {}},
        {root + "tool-link.txt", {}},
        {root + "launch.desktop", {}},
        {root + "run.sh", {}},
        {root + "missing.txt", {}},
        {"file://otherhost/share/note.txt", {}},
        {"file:/dev/zero", {}},
        {"mailto:a@b.jp?subject=Hi&attach=/etc/passwd&Attachment=%2Fetc%2Fshadow&cc=c@d.jp",
         "mailto:a@b.jp?subject=Hi&cc=c@d.jp"},
        {"mailto:a@b.jp?attach=/etc/passwd", "mailto:a@b.jp"},
        {"HTTP://Host.Example/Path?Q=A", "http://host.example/Path?Q=A"},
        {"https://www.example.jp/", "https://www.example.jp/"},
        {"gopher://host/1", "gopher://host/1"},
        {"javascript:alert", {}},
        {"smb://host/share", {}},
        {"", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.address);
        const QUrl url = AddressToUrl(c.address);
        EXPECT_EQ((url.isValid() ? url.toString() : QString()).toStdString(), c.opened.toStdString());
    }
}

} // namespace
} // namespace velmo
