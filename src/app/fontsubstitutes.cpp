// Documents and settings name the Windows Japanese faces; on this desktop they are drawn
// with the metric-compatible IPA faces. The names themselves are kept as written.
#include "app/fontsubstitutes.h"

#include <QFont>

namespace velmo {

void RegisterFaceSubstitutes()
{
    static const struct {
        const char *windowsFace;
        const char *installedFace;
    } substitutes[] = {
        {"ＭＳ Ｐ明朝", "IPAPMincho"},
        {"ＭＳ ゴシック", "IPAGothic"},
        {"ＭＳ Ｐゴシック", "IPAPGothic"},
        {"ＭＳ 明朝", "IPAMincho"},
        {"MSゴシック", "IPAGothic"},
    };
    for (const auto &s : substitutes)
        QFont::insertSubstitution(QString::fromUtf8(s.windowsFace), QString::fromLatin1(s.installedFace));
}

} // namespace velmo
