// Documents and settings name the Windows Japanese faces; on this desktop they are drawn
// with the metric-compatible IPA faces. The names themselves are kept as written.
#include "app/fontsubstitutes.h"

#include <QFont>

namespace velmo {

namespace {

const struct {
    const char *windowsFace;
    const char *installedFace;
} kSubstitutes[] = {
    {"ＭＳ Ｐ明朝", "IPAPMincho"},
    {"ＭＳ ゴシック", "IPAGothic"},
    {"ＭＳ Ｐゴシック", "IPAPGothic"},
    {"ＭＳ 明朝", "IPAMincho"},
    {"MSゴシック", "IPAGothic"},
};

} // namespace

void RegisterFaceSubstitutes()
{
    for (const auto &s : kSubstitutes)
        QFont::insertSubstitution(QString::fromUtf8(s.windowsFace), QString::fromLatin1(s.installedFace));
}

QStringList SubstitutedFaceNames()
{
    QStringList names;
    for (const auto &s : kSubstitutes)
        names << QString::fromUtf8(s.windowsFace);
    return names;
}

} // namespace velmo
