// Pictures in RTF, and the content the reader leaves out but remembers.
#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"

#include <gtest/gtest.h>

#include <string>

using namespace velmo::rtf;

namespace {

const std::string kHead = "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\\pard ";

// Every byte value once, so that no value is lost or changed on the way.
std::string allBytes()
{
    std::string s;
    for (int i = 0; i < 256; ++i)
        s.push_back(static_cast<char>(i));
    return s;
}

std::string hex(const std::string &bytes, std::size_t perLine)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i % perLine == 0)
            out += "\r\n";
        out += digits[static_cast<unsigned char>(bytes[i]) >> 4];
        out += digits[static_cast<unsigned char>(bytes[i]) & 0xF];
    }
    return out;
}

const Picture *pictureIn(const Paragraph &p)
{
    for (const Run &r : p.runs)
        if (r.picture)
            return &*r.picture;
    return nullptr;
}

Document readOk(const std::string &rtf)
{
    ReadResult r = read(rtf);
    EXPECT_TRUE(r.ok()) << r.message;
    return r.document;
}

TEST(RtfPictures, ReadAsWritersPutThem)
{
    const std::string data = allBytes();
    struct Case {
        const char *name;
        std::string pict;
        Picture::Kind kind;
    };
    const Case cases[] = {
        {"hex over lines, with the wrapping of a word processor",
         "{\\*\\shppict{\\pict{\\*\\picprop{\\sp{\\sn wzName}{\\sv 12}}}\\picscalex50\\picscaley200"
         "\\piccropl0\\picw48\\pich24\\picwgoal720\\pichgoal360\\pngblip" + hex(data, 32) + "}}"
         "{\\nonshppict{\\pict\\picw48\\pich24\\wmetafile8 0100090000}}",
         Picture::Kind::Png},
        {"binary data", "{\\pict\\picw48\\pich24\\picwgoal720\\pichgoal360\\picscalex50\\picscaley200"
                        "\\jpegblip\\bin256 " + data + "}",
         Picture::Kind::Jpeg},
        {"picture of a floating shape",
         "{\\shp{\\*\\shpinst\\shpleft0\\shpright720{\\sp{\\sn shapeType}{\\sv 75}}"
         "{\\sp{\\sn pib}{\\sv {\\pict\\picscalex50\\picscaley200\\picw48\\pich24\\picwgoal720"
         "\\pichgoal360\\pngblip " + hex(data, 64) + "}}}}{\\shprslt{\\pict\\wmetafile8 00}}}",
         Picture::Kind::Png},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const Document d = readOk(kHead + "A" + c.pict + "B\\par }");
        ASSERT_EQ(d.paragraphs.size(), 1u);
        const Paragraph &p = d.paragraphs[0];
        EXPECT_EQ(p.text(), std::u16string(u"A") + kObjectCharacter + u"B");
        const Picture *pic = pictureIn(p);
        ASSERT_TRUE(pic);
        EXPECT_EQ(pic->kind, c.kind);
        EXPECT_EQ(pic->data, data);
        EXPECT_EQ(pic->width, 48);
        EXPECT_EQ(pic->height, 24);
        EXPECT_EQ(pic->shownWidthTwips(), 360);
        EXPECT_EQ(pic->shownHeightTwips(), 720);
        EXPECT_EQ(d.dropped, kDroppedNothing);
    }
}

TEST(RtfPictures, WrittenBackAndReadAgain)
{
    Document d;
    d.paragraphs.resize(1);
    appendText(d.paragraphs[0], u"前", CharFormat{});
    Picture png{Picture::Kind::Png, allBytes(), 48, 24, 720, 360, 100, 100};
    Picture jpeg{Picture::Kind::Jpeg, "\xFF\xD8\xFF\xE0", 2, 2, 0, 0, 150, 75};
    appendPicture(d.paragraphs[0], png, CharFormat{});
    appendPicture(d.paragraphs[0], jpeg, CharFormat{}); // two pictures side by side stay two
    appendText(d.paragraphs[0], u"後", CharFormat{});
    d.defaultFormat = CharFormat{};

    const std::string rtf = write(d);
    EXPECT_NE(rtf.find("\\pngblip"), std::string::npos);
    EXPECT_NE(rtf.find("\\jpegblip"), std::string::npos);
    for (char c : rtf)
        ASSERT_LT(static_cast<unsigned char>(c), 0x80); // hex, never raw bytes
    EXPECT_EQ(readOk(rtf), d);
}

TEST(RtfPictures, WhatCannotBeKeptIsRemembered)
{
    struct Case {
        const char *name;
        std::string body;
        unsigned dropped;
        std::u16string text;
    };
    const Case cases[] = {
        {"metafile picture", "A{\\pict\\wmetafile8\\picw10\\pich10 0100}B", kDroppedPictures, u"AB"},
        {"enhanced metafile", "A{\\*\\shppict{\\pict\\emfblip 0100}}B", kDroppedPictures, u"AB"},
        {"device-independent bitmap", "{\\pict\\dibitmap0 2800}", kDroppedPictures, u""},
        {"picture without data", "{\\pict\\pngblip}", kDroppedPictures, u""},
        {"object", "A{\\object\\objemb{\\*\\objclass Paint}{\\*\\objdata 0102}"
                   "{\\result{\\pict\\wmetafile8 00}}}B", kDroppedObjects, u"AB"},
        {"table: text kept", "\\trowd\\cellx1000\\cellx2000 \\intbl x\\cell y\\cell\\row ",
         kDroppedTables, u"x\ty"},
        {"header and footer", "{\\header H}{\\footerl F}A", kDroppedHeaders, u"A"},
        {"comment", "A{\\*\\annotation c}", kDroppedNotes, u"A"},
        {"footnote: kept, its number shown", "A{\\footnote n}", kDroppedNothing, u"A1"},
        {"drawing without picture", "A{\\shp{\\*\\shpinst{\\sp{\\sn shapeType}{\\sv 1}}}}", kDroppedDrawings, u"A"},
        {"only the duplicate for old readers", "A{\\nonshppict{\\pict\\wmetafile8 00}}",
         kDroppedNothing, u"A"},
        {"inside a skipped destination", "A{\\*\\generator {\\pict\\wmetafile8 00}}", kDroppedNothing, u"A"},
        {"cut off inside a picture", "A{\\pict\\pngblip 89504e{", kDroppedPictures, u"A"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const Document d = readOk(kHead + c.body + "}");
        EXPECT_EQ(d.dropped, c.dropped);
        EXPECT_EQ(d.plainText(), c.text);
    }
}

} // namespace
