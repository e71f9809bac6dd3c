#include "editor/punctuation.h"

namespace velmo::editor {

int punctuationLevel(unsigned mode)
{
    if ((mode & (kPunctuationLevel1 | kPunctuationLevel2)) == kPunctuationLevel1)
        return 1;
    if ((mode & kPunctuationBits) == kPunctuationCustom)
        return 0;
    return 2;
}

QString builtInPunctuation(int level, int type)
{
    // Level 1 keeps closing marks and sentence ends off the start of a line; level 2 adds
    // the small kana, the prolonged sound mark and the iteration marks.
    static const QString following1 = QStringLiteral(u"!),.:;?]}｡｣､･ﾞﾟ、。，．・：；？！゛゜ヽヾゝゞ々）］｝」』〕〉》】’”");
    static const QString following2 = following1 + QStringLiteral(u"ーぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮヵヶｧｨｩｪｫｬｭｮｯｰ");
    static const QString leading = QStringLiteral(u"([{｢（［｛「『〔〈《【‘“");
    static const QString overflow = QStringLiteral(u",.､｡、。，．");
    static const QString delimiter = QStringLiteral(u" 　");
    switch (type) {
    case 1: return level == 1 ? following1 : following2;
    case 2: return leading;
    case 3: return overflow;
    case 4: return delimiter;
    default: return {};
    }
}

} // namespace velmo::editor
