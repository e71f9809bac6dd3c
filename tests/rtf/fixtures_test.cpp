// RTF written by LibreOffice Writer and AbiWord (see tests/fixtures/rtf/README.md): the
// text and formats must be what those programs show of their own files.
#include "rtf/rtfreader.h"

#include "rtf/utf8.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace velmo::rtf;

namespace {

Document readFixture(const std::string &name)
{
    std::ifstream in(std::string(VELMO_FIXTURES) + "/rtf/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    ReadResult r = read(bytes.str());
    EXPECT_TRUE(r.ok()) << name << ": " << r.message;
    return r.document;
}

// The run of a paragraph that holds the text.
const Run *runWith(const Paragraph &p, std::u16string_view text)
{
    for (const Run &r : p.runs)
        if (r.text.find(text) != std::u16string::npos)
            return &r;
    return nullptr;
}

struct ParagraphExpectation {
    std::u16string text;
    Alignment align = Alignment::Left;
    bool bullet = false;
};

const std::u16string kMincho = u"ＭＳ 明朝";

// Both programs were given the same document; see the fixture sources.
void expectFormatsDocument(const Document &d, bool withList, bool emptyParagraphAfterTable)
{
    std::vector<ParagraphExpectation> expected = {
        {u"見出しの段落", Alignment::Centre},
        {u"普通の文章、斜体、下線、取り消し線、紺色、蛍光ペン。"},
        {u"右寄せ\v改行の後", Alignment::Right},
        {u"両端揃え\tタブの後 Arial 12pt"}, // justified is shown as left
        {u"字下げした段落：半角ｶﾀｶﾅと記号①〜"},
    };
    if (withList) {
        expected.push_back({u"箇条書き一", Alignment::Left, true});
        expected.push_back({u"箇条書き二", Alignment::Left, true});
    }
    expected.push_back({u"左上\t右上"});
    expected.push_back({u"左下\t右下"});
    if (emptyParagraphAfterTable)
        expected.push_back({u""});
    expected.push_back({u"最後の段落"});

    ASSERT_EQ(d.paragraphs.size(), expected.size()) << utf8(d.plainText());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("paragraph " + std::to_string(i));
        EXPECT_EQ(utf8(d.paragraphs[i].text()), utf8(expected[i].text));
        EXPECT_EQ(d.paragraphs[i].align, expected[i].align);
        EXPECT_EQ(d.paragraphs[i].bullet, expected[i].bullet);
    }

    const Paragraph &heading = d.paragraphs[0];
    ASSERT_EQ(heading.runs.size(), 1u);
    EXPECT_TRUE(heading.runs[0].format.bold);
    EXPECT_EQ(heading.runs[0].format.sizeHalfPoints, 28);
    EXPECT_EQ(heading.runs[0].format.colour, Colour(rgb(255, 0, 0)));
    EXPECT_EQ(heading.runs[0].format.face, kMincho);

    const Paragraph &styles = d.paragraphs[1];
    const Run *plain = runWith(styles, u"普通の文章");
    const Run *italic = runWith(styles, u"斜体");
    const Run *underline = runWith(styles, u"下線");
    const Run *strike = runWith(styles, u"取り消し線");
    const Run *navy = runWith(styles, u"紺色");
    const Run *marker = runWith(styles, u"蛍光ペン");
    ASSERT_TRUE(plain && italic && underline && strike && navy && marker);
    EXPECT_EQ(plain->format.face, kMincho);
    EXPECT_EQ(plain->format.sizeHalfPoints, 21);
    EXPECT_FALSE(plain->format.bold || plain->format.italic || plain->format.underline
                 || plain->format.strikeOut);
    EXPECT_EQ(plain->format.colour.value_or(0), 0u); // automatic or black
    EXPECT_TRUE(italic->format.italic);
    EXPECT_TRUE(underline->format.underline);
    EXPECT_TRUE(strike->format.strikeOut);
    EXPECT_EQ(navy->format.colour, Colour(rgb(0, 0, 128)));
    EXPECT_EQ(marker->format.highlight, Colour(rgb(255, 255, 0)));
    EXPECT_FALSE(plain->format.highlight.has_value());

    const Run *arial = runWith(d.paragraphs[3], u"Arial 12pt");
    ASSERT_TRUE(arial);
    EXPECT_EQ(arial->format.face, u"Arial");
    EXPECT_EQ(arial->format.sizeHalfPoints, 24);

    const Paragraph &indented = d.paragraphs[4];
    EXPECT_EQ(indented.leftIndentTwips, 1440);
    EXPECT_EQ(indented.rightIndentTwips, 720);
    EXPECT_EQ(indented.firstIndentTwips, -360);
}

TEST(RtfFixtures, LibreOfficeWriter)
{
    expectFormatsDocument(readFixture("libreoffice-formats.rtf"), true, false);
}

TEST(RtfFixtures, AbiWord)
{
    // AbiWord writes an empty paragraph after a table, and shows it.
    expectFormatsDocument(readFixture("abiword-formats.rtf"), false, true);

    const Document list = readFixture("abiword-list.rtf");
    ASSERT_GE(list.paragraphs.size(), 4u);
    EXPECT_EQ(utf8(list.paragraphs[0].text()), "箇条書きの前");
    EXPECT_EQ(utf8(list.paragraphs[1].text()), "箇条書き一");
    EXPECT_EQ(utf8(list.paragraphs[2].text()), "箇条書き二");
    EXPECT_EQ(utf8(list.paragraphs[3].text()), "箇条書きの後");
    EXPECT_FALSE(list.paragraphs[0].bullet);
    EXPECT_TRUE(list.paragraphs[1].bullet);
    EXPECT_TRUE(list.paragraphs[2].bullet);
    EXPECT_FALSE(list.paragraphs[3].bullet);
}

// The PNG of a picture, whose header gives its size in pixels.
void expectPng(const Picture &p, int width, int height)
{
    ASSERT_GE(p.data.size(), 24u);
    EXPECT_EQ(p.data.substr(0, 8), "\x89PNG\r\n\x1a\n");
    const auto be32 = [&](std::size_t at) {
        return int(static_cast<unsigned char>(p.data[at])) << 24 | int(static_cast<unsigned char>(p.data[at + 1])) << 16
               | int(static_cast<unsigned char>(p.data[at + 2])) << 8 | int(static_cast<unsigned char>(p.data[at + 3]));
    };
    EXPECT_EQ(be32(16), width);
    EXPECT_EQ(be32(20), height);
}

TEST(RtfFixtures, LibreOfficePictures)
{
    // A picture in the text, and one anchored to a character (a floating shape).
    const struct {
        const char *file;
        const char *before;
        const char *after;
    } cases[] = {
        {"libreoffice-picture.rtf", "絵の前 ", " 絵の後"},
        {"libreoffice-anchored.rtf", "to char ", " after"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const Document d = readFixture(c.file);
        EXPECT_EQ(d.dropped, kDroppedNothing); // the metafile copy for old readers is no loss
        ASSERT_FALSE(d.paragraphs.empty());
        const Paragraph &p = d.paragraphs[0];
        ASSERT_EQ(p.runs.size(), 3u);
        EXPECT_EQ(utf8(p.runs[0].text), c.before);
        EXPECT_EQ(utf8(p.runs[2].text), c.after);
        ASSERT_TRUE(p.runs[1].picture);
        const Picture &picture = *p.runs[1].picture;
        EXPECT_EQ(picture.kind, Picture::Kind::Png);
        expectPng(picture, 24, 12);
        EXPECT_EQ(picture.width, 24);
        EXPECT_EQ(picture.height, 12);
        EXPECT_EQ(picture.shownWidthTwips(), 360); // 24 x 12 pixels, a quarter inch wide
        EXPECT_EQ(picture.shownHeightTwips(), 180);
    }

    // The list beside the picture: LibreOffice's own hanging indent.
    const Document d = readFixture("libreoffice-picture.rtf");
    ASSERT_GE(d.paragraphs.size(), 4u);
    for (std::size_t i : {1u, 2u}) {
        EXPECT_TRUE(d.paragraphs[i].bullet);
        EXPECT_EQ(d.paragraphs[i].leftIndentTwips, 709);
        EXPECT_EQ(d.paragraphs[i].firstIndentTwips, -283);
    }
}

} // namespace
