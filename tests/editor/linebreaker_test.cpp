// The line breaker in a font whose advances are exact (IPAGothic: Latin half an em, Japanese
// one em), so that a width of N characters means exactly N characters.
#include "editor/linebreaker.h"
#include "editor/punctuation.h"
#include "editor/wordwrapoption.h"

#include <QFontMetricsF>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <gtest/gtest.h>

// Failures show the lines as text.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

using namespace velmo::editor;
using namespace Qt::StringLiterals;
using velmo::WBF_OVERFLOW;
using velmo::WBF_WORDBREAK;

namespace {

constexpr qreal kEm = 16; // one full-width character; Latin takes half

QFont fixedFont(int pixels = int(kEm))
{
    QFont font(QStringLiteral("IPAGothic"));
    font.setPixelSize(pixels);
    font.setKerning(false);
    return font;
}

BreakRules level(int n, unsigned bits = 0)
{
    return breakRulesFor((n == 1 ? kPunctuationLevel1 : kPunctuationLevel2) | bits, {});
}

struct Broken {
    QStringList lines;
    std::vector<qreal> widths;
    int count = 0;
};

Broken breakText(QTextLayout &layout, qreal widthEms, const BreakRules &rules, qreal indentEms = 0,
                 qreal overflowEms = 1)
{
    Broken out;
    out.count = breakLines(layout, {widthEms < 0 ? -1 : widthEms * kEm, indentEms * kEm, overflowEms * kEm}, rules);
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        out.lines << layout.text().mid(line.textStart(), line.textLength());
        out.widths.push_back(line.naturalTextWidth());
    }
    return out;
}

Broken breakText(const QString &text, qreal widthEms, const BreakRules &rules, qreal indentEms = 0)
{
    QTextLayout layout(text, fixedFont());
    return breakText(layout, widthEms, rules, indentEms);
}

class LineBreaker : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Everything below counts characters by width: make sure the font is the exact one.
        const QFontMetricsF metrics(fixedFont());
        ASSERT_EQ(metrics.horizontalAdvance(QStringLiteral("Wi")), kEm) << "IPAGothic is missing";
        ASSERT_EQ(metrics.horizontalAdvance(QStringLiteral(u"あ。「ー")), 4 * kEm);
    }
};

TEST_F(LineBreaker, RulesForTheModeWord)
{
    const std::array<QString, 4> custom{QStringLiteral(u"か"), QStringLiteral(u"き"), QStringLiteral(u"く"),
                                        QStringLiteral(u"-")};
    struct Case {
        unsigned word;
        int level; // 0: custom
        bool hang, wordBreak;
    } cases[] = {
        {kPunctuationLevel1, 1, false, false},
        {kPunctuationLevel2 | WBF_OVERFLOW, 2, true, false},
        {kPunctuationCustom | WBF_WORDBREAK, 0, false, true},
        {kPunctuationLevel1 | kPunctuationCustom | WBF_OVERFLOW | WBF_WORDBREAK, 1, true, true},
        {0, 2, false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.word);
        const BreakRules rules = breakRulesFor(c.word, custom);
        for (int type = 1; type <= 4; ++type) {
            const QString expected = c.level == 0 ? custom[std::size_t(type - 1)] : builtInPunctuation(c.level, type);
            const QString actual[] = {rules.following, rules.leading, rules.overflow, rules.delimiter};
            EXPECT_EQ(actual[type - 1], expected) << "type " << type;
        }
        EXPECT_EQ(rules.hang, c.hang);
        EXPECT_EQ(rules.wordBreak, c.wordBreak);
    }
}

TEST_F(LineBreaker, JapaneseAndLatinCases)
{
    BreakRules custom = breakRulesFor(kPunctuationCustom, {QStringLiteral(u"か"), QString(), QString(), QString()});
    struct Case {
        const char *name;
        QString text;
        qreal width; // in full-width characters
        BreakRules rules;
        QStringList lines;
    } cases[] = {
        {"a full stop that would start a line hangs", u"あいうえお。かき"_s, 5, level(2, WBF_OVERFLOW),
         {u"あいうえお。"_s, u"かき"_s}},
        {"a comma hangs the same way", u"あいうえお、かきくけこ"_s, 5, level(2, WBF_OVERFLOW),
         {u"あいうえお、"_s, u"かきくけこ"_s}},
        {"without the bit the character before it moves down", u"あいうえお。かき"_s, 5, level(2),
         {u"あいうえ"_s, u"お。かき"_s}},
        {"a hanging mark followed by a closing one does not help", u"あいうえお。」か"_s, 5,
         level(2, WBF_OVERFLOW), {u"あいうえ"_s, u"お。」か"_s}},
        {"a closing bracket is not in the overflow set", u"あいうえお」か"_s, 5, level(2, WBF_OVERFLOW),
         {u"あいうえ"_s, u"お」か"_s}},
        {"an opening bracket never ends a line", u"あいうえ「かき」"_s, 5, level(2),
         {u"あいうえ"_s, u"「かき」"_s}},
        {"a small tsu may start a line at level 1", u"あいうえおッか"_s, 5, level(1), {u"あいうえお"_s, u"ッか"_s}},
        {"but not at level 2", u"あいうえおッか"_s, 5, level(2), {u"あいうえ"_s, u"おッか"_s}},
        {"the prolonged sound mark likewise, level 1", u"あいうえおーか"_s, 5, level(1),
         {u"あいうえお"_s, u"ーか"_s}},
        {"the prolonged sound mark, level 2", u"あいうえおーか"_s, 5, level(2), {u"あいうえ"_s, u"おーか"_s}},
        {"a custom set keeps its own characters off the start", u"あいうえおかき"_s, 5, custom,
         {u"あいうえ"_s, u"おかき"_s}},
        {"and replaces the built-in ones", u"あいうえお。き"_s, 5, custom, {u"あいうえお"_s, u"。き"_s}},
        {"an English word is kept whole", u"hello world again"_s, 5, level(2, WBF_WORDBREAK),
         {u"hello "_s, u"world "_s, u"again"_s}},
        {"without the word-break bit Latin breaks anywhere", u"hello world again"_s, 5, level(2),
         {u"hello worl"_s, u"d again"_s}},
        {"a word longer than the line is broken", u"abcdefghijklmnop"_s, 5, level(2, WBF_WORDBREAK),
         {u"abcdefghij"_s, u"klmnop"_s}},
        {"Latin next to Japanese breaks between them", u"あいうえVelmo"_s, 5, level(2, WBF_WORDBREAK),
         {u"あいうえ"_s, u"Velmo"_s}},
        {"a delimiter stays with the word before it",
         u"abcdefg-hij"_s, 4, breakRulesFor(kPunctuationCustom | WBF_WORDBREAK, {QString(), QString(), QString(), u"-"_s}),
         {u"abcdefg-"_s, u"hij"_s}},
        {"spaces hang at the end of the line", u"abcd    efg"_s, 2, level(2, WBF_WORDBREAK),
         {u"abcd    "_s, u"efg"_s}},
        {"a run of closing marks longer than a line still ends", u"あーーーーーーーーーーーー"_s, 5, level(2),
         {u"あーーーー"_s, u"ーーーーー"_s, u"ーーー"_s}},
        {"a line narrower than one character holds one", u"あいう"_s, 0.5, level(2), {u"あ"_s, u"い"_s, u"う"_s}},
        {"pairs of surrogates are never split", u"𠀋𠀋𠀋"_s, 0.5, level(2), {u"𠀋"_s, u"𠀋"_s, u"𠀋"_s}},
        {"a soft line break ends the line", u"あい\u2028うえ"_s, 5, level(2), {u"あい\u2028"_s, u"うえ"_s}},
        {"a mark hanging before a soft line break leaves no empty line", u"あいうえお。\u2028か"_s, 5,
         level(2, WBF_OVERFLOW), {u"あいうえお。\u2028"_s, u"か"_s}},
        {"an empty paragraph is one empty line", QString(), 5, level(2), {QString()}},
        {"no wrapping: one line", u"あいうえおかきくけこさしすせそ"_s, -1, level(2),
         {u"あいうえおかきくけこさしすせそ"_s}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const Broken broken = breakText(c.text, c.width, c.rules);
        EXPECT_EQ(broken.lines, c.lines);
        EXPECT_EQ(broken.count, c.lines.size());
    }
}

TEST_F(LineBreaker, HangingNeedsRoomInTheAllowance)
{
    QTextLayout layout(u"あいうえお。かき"_s, fixedFont());
    const Broken noRoom = breakText(layout, 5, level(2, WBF_OVERFLOW), 0, 0.5);
    EXPECT_EQ(noRoom.lines, (QStringList{u"あいうえ"_s, u"お。かき"_s}));
    const Broken room = breakText(layout, 5, level(2, WBF_OVERFLOW), 0, 1);
    EXPECT_EQ(room.lines, (QStringList{u"あいうえお。"_s, u"かき"_s}));
    EXPECT_EQ(room.widths[0], 6 * kEm);
}

TEST_F(LineBreaker, FirstLineIndentAndPositions)
{
    QTextLayout layout(u"あいうえおかきくけこ"_s, fixedFont());
    const Broken broken = breakText(layout, 5, level(2), 2);
    EXPECT_EQ(broken.lines, (QStringList{u"あいう"_s, u"えおかきく"_s, u"けこ"_s}));
    EXPECT_EQ(layout.lineAt(0).position(), QPointF(2 * kEm, 0));
    EXPECT_EQ(layout.lineAt(1).position().x(), 0);
    EXPECT_EQ(layout.lineAt(1).position().y(), layout.lineAt(0).height());
    EXPECT_EQ(layout.lineAt(2).position().y(), layout.lineAt(0).height() + layout.lineAt(1).height());
    // A negative indent gives the first line more room.
    EXPECT_EQ(breakText(layout, 5, level(2), -1).lines, (QStringList{u"あいうえおか"_s, u"きくけこ"_s}));
}

TEST_F(LineBreaker, MixedSizesMeasureEachRun)
{
    // The first two characters are twice as wide: the line holds one character less each.
    QTextLayout layout(u"あいうえおかきくけこ"_s, fixedFont());
    QTextLayout::FormatRange big;
    big.start = 0;
    big.length = 2;
    big.format.setFont(fixedFont(int(2 * kEm)));
    layout.setFormats({big});
    EXPECT_EQ(breakText(layout, 5, level(2)).lines, (QStringList{u"あいう"_s, u"えおかきく"_s, u"けこ"_s}));
    // And the rules hold at the new edge: "。" cannot start the second line.
    QTextLayout punctuated(u"あいう。えおか"_s, fixedFont());
    punctuated.setFormats({big});
    EXPECT_EQ(breakText(punctuated, 5, level(2)).lines, (QStringList{u"あい"_s, u"う。えおか"_s}));
}

TEST_F(LineBreaker, DocumentBlocks)
{
    // A block's layout takes its text from the document: the text comes separately. The
    // document scales its fonts for its own device, so one character's width is measured.
    QTextDocument document;
    document.setDefaultFont(fixedFont());
    document.setPlainText(u"あいうえお。かき"_s);
    const QTextBlock block = document.firstBlock();
    QTextLayout &layout = *block.layout();
    ASSERT_EQ(breakLines(layout, {-1, 0, 0}, level(2), block.text()), 1);
    const qreal em = layout.lineAt(0).naturalTextWidth() / 8;
    EXPECT_EQ(breakLines(layout, {5 * em, 0, em}, level(2), block.text()), 2);
    EXPECT_EQ(layout.lineAt(1).textStart(), 4);
    // Pre-edit text counts as Qt counts it: "。" being typed at the end of the line hangs.
    document.setPlainText(u"あいうえおかき"_s);
    const QTextBlock typing = document.firstBlock();
    typing.layout()->setPreeditArea(5, u"。"_s);
    EXPECT_EQ(breakLines(*typing.layout(), {5 * em, 0, em}, level(2, WBF_OVERFLOW), typing.text()), 2);
    EXPECT_EQ(typing.layout()->lineAt(0).textLength(), 6);
    EXPECT_EQ(typing.layout()->lineAt(1).textStart(), 6);
}

TEST_F(LineBreaker, CallersOptionIsKept)
{
    QTextLayout layout(u"あいうえおかきくけこ"_s, fixedFont());
    QTextOption option(Qt::AlignRight);
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    breakText(layout, 5, level(2));
    EXPECT_EQ(layout.textOption().alignment(), Qt::AlignRight);
    EXPECT_EQ(layout.textOption().wrapMode(), QTextOption::WordWrap);
}

// A megabyte in one paragraph: each line is laid once, so this ends; the count is exact for
// kana that no rule holds back, and the rules hold everywhere in prose with punctuation.
TEST_F(LineBreaker, LongParagraphs)
{
    const QString kana = u"あいうえおかきくけこ"_s.repeated(100'000);
    QTextLayout plain(kana, fixedFont());
    EXPECT_EQ(breakText(plain, 20, level(2, WBF_OVERFLOW)).count, 50'000);

    const QString prose = u"吾輩は猫である。名前はまだ無い。「どこで生れたか」とんと見当がつかぬ、"
                          u"何でも薄暗いじめじめした所でニャーニャー泣いていた事だけは記憶している。"_s.repeated(10'000);
    QTextLayout layout(prose, fixedFont());
    const BreakRules rules = level(2, WBF_OVERFLOW);
    const Broken broken = breakText(layout, 17, rules);
    EXPECT_EQ(broken.lines.join(QString()), prose);
    int hung = 0;
    for (int i = 0; i < broken.lines.size(); ++i) {
        const QString &line = broken.lines[i];
        ASSERT_FALSE(line.isEmpty()) << i;
        ASSERT_FALSE(rules.following.contains(line.front())) << i << " " << line.toStdString();
        if (i + 1 < broken.lines.size())
            ASSERT_FALSE(rules.leading.contains(line.back())) << i << " " << line.toStdString();
        ASSERT_LE(broken.widths[std::size_t(i)], 18 * kEm) << i;
        if (broken.widths[std::size_t(i)] > 17 * kEm) {
            ASSERT_TRUE(rules.overflow.contains(line.back())) << i << " " << line.toStdString();
            ++hung;
        }
    }
    EXPECT_GT(hung, 0);
}

// Counting lines from advances must give exactly what laying them out gives, in fixed and
// proportional fonts (Latin kerning and narrow kana included), at any width and with any
// rules; where it is not sure it says so, and it is sure of most ordinary prose.
TEST_F(LineBreaker, CountingByAdvancesAgreesWithLayingOut)
{
    const QString pieces[] = {u"吾輩は猫である。"_s, u"名前はまだ無い、"_s, u"「どこで生れたか」"_s, u"とんと見当がつかぬ。"_s,
                              u"ニャーニャーッ"_s, u"ぁぃっゃ"_s, u"AVATAR Type "_s, u"office files "_s,
                              u"WAVE. Yo, To "_s, u"--option=value "_s, u"ｶﾀｶﾅ"_s, u"ＡＢＣ１２３"_s, u"（注）"_s,
                              u"  "_s, u"　"_s, u"12:30 "_s, u"verylongwordwithoutanybreakatall"_s, u"…"_s,
                              u"é"_s};
    QFont proportional(QStringLiteral("DejaVu Sans"));
    proportional.setPixelSize(15);
    QFont mincho(QStringLiteral("IPAPMincho"));
    mincho.setPointSize(11);
    const QFont fonts[] = {fixedFont(), proportional, mincho, QFont()};
    const BreakRules rules[] = {level(1), level(2, WBF_OVERFLOW), level(2, WBF_OVERFLOW | WBF_WORDBREAK),
                                level(1, WBF_WORDBREAK)};
    std::uint32_t seed = 7;
    const auto random = [&seed](int n) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 8) % std::uint32_t(n));
    };
    // How often the counter was sure in the fixed font, where nothing is kerned or joined.
    int sure = 0, tried = 0;
    for (const QFont &font : fonts) {
        for (const BreakRules &r : rules) {
            LineCounter counter(font, r, 12);
            for (int i = 0; i < 200; ++i) {
                QString text;
                for (int n = random(24); n >= 0; --n)
                    text += pieces[random(int(std::size(pieces)))];
                // Whole pixels too: a line whose text fills the width exactly still fits.
                const BreakGeometry geometry{qreal(40 + random(400)) + random(2) * random(64) / 64.0,
                                             qreal(random(3) * 8), 12};
                QTextLayout layout(text, font);
                const int laid = breakLines(layout, geometry, r);
                const int counted = counter.count(text, geometry);
                if (&font == &fonts[0])
                    ++tried, sure += counted >= 0;
                if (counted >= 0)
                    ASSERT_EQ(counted, laid) << text.toStdString() << " in " << font.family().toStdString()
                                             << " width " << geometry.width;
            }
        }
    }
    EXPECT_GT(sure, tried * 3 / 4);
    // Kerned Latin and ligatures in a proportional font are counted too.
    LineCounter latin(proportional, level(2, WBF_WORDBREAK), 0);
    const QString english = u"The office files of the first AVATAR flow. "_s.repeated(8);
    QTextLayout layout(english, proportional);
    const int laid = breakLines(layout, {200, 0, 0}, level(2, WBF_WORDBREAK));
    EXPECT_GT(laid, 5);
    EXPECT_EQ(latin.count(english, {200, 0, 0}), laid);
    // Characters the shaper combines are not counted.
    LineCounter counter(fixedFont(), level(2), 0);
    EXPECT_EQ(counter.count(u"か\u3099き"_s, {100, 0, 0}), -1);
    EXPECT_EQ(counter.count(u"ｶﾞｷ"_s, {100, 0, 0}), -1);
    EXPECT_EQ(counter.count(QString(), {100, 0, 0}), 1);
}

} // namespace
