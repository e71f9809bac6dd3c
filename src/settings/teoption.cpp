#include "settings/teoption.h"

#include "settings/muldiv.h"
#include "settings/optionfields.h"

#include <QDir>

namespace velmo {
namespace {

// Face names as the settings file spells them; the application maps them to installed faces.
const char kRichTextFace[] = "ＭＳ Ｐ明朝";
const char kTextModeFace[] = "ＭＳ ゴシック";

const TFontStyles kStyleOrder[] = {fsBold, fsItalic, fsUnderline, fsStrikeOut};

bool allDigits(const QString &s)
{
    for (QChar c : s) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

QString digits(TFontStyles styles, int count)
{
    QString out;
    for (int i = 0; i < count; ++i)
        out += (styles & kStyleOrder[i]) ? u'1' : u'0';
    return out;
}

// The styles whose digit, from `from` on, is not 0.
TFontStyles stylesFrom(const QString &s, int from, int count)
{
    TFontStyles styles = 0;
    for (int i = 0; i < count; ++i) {
        if (s[from + i] != u'0')
            styles |= kStyleOrder[i];
    }
    return styles;
}

} // namespace

// --- TFont -------------------------------------------------------------------------------

TFont::TFont(QString name, int size, int charset, int pitch, int pixelsPerInch)
    : Name(std::move(name)), Charset(charset), Pitch(pitch), PixelsPerInch(pixelsPerInch)
{
    SetSize(size);
}

void TFont::SetSize(std::int32_t points)
{
    Size = points;
    Height = -MulDiv(points, PixelsPerInch, 72);
}

void TFont::SetHeight(std::int32_t pixels)
{
    Height = pixels;
    Size = -MulDiv(pixels, 72, PixelsPerInch);
}

QFont TFont::ToQFont() const
{
    QFont f(Name);
    if (Height != 0)
        f.setPixelSize(Height < 0 ? -Height : Height);
    else if (Size > 0)
        f.setPointSize(Size);
    if (Pitch == fpFixed) {
        f.setFixedPitch(true);
        f.setStyleHint(QFont::TypeWriter);
    }
    f.setBold(Style & fsBold);
    f.setItalic(Style & fsItalic);
    f.setUnderline(Style & fsUnderline);
    f.setStrikeOut(Style & fsStrikeOut);
    return f;
}

// --- TDisplayProfile ---------------------------------------------------------------------

TDisplayProfile::TDisplayProfile(const TFont &font) : Font(font) {}

TDisplayProfile TDisplayProfile::RichTextDefault(int pixelsPerInch)
{
    return TDisplayProfile(
        TFont(QString::fromUtf8(kRichTextFace), 10, 128, fpDefault, pixelsPerInch));
}

TDisplayProfile TDisplayProfile::TextModeDefault(int pixelsPerInch)
{
    return TDisplayProfile(
        TFont(QString::fromUtf8(kTextModeFace), 10, 128, fpFixed, pixelsPerInch));
}

QString TDisplayProfile::StyleString() const
{
    return QString::number(Font.Pitch) + digits(Font.Style, 4);
}

void TDisplayProfile::LoadFrom(const TProfileFile &ini, const QString &section)
{
    const QString current = StyleString();
    // Each default is the value as it stands when its key is read, so FontHeight, read
    // after Size, wins over it.
    Font.Name = ini.ReadString(section, QStringLiteral("FaceName"), Font.Name);
    Font.SetSize(ini.ReadInteger(section, QStringLiteral("Size"), Font.Size));
    Font.Charset = ini.ReadInteger(section, QStringLiteral("Charset"), Font.Charset) & 0xFF;
    Font.Pitch = ini.ReadInteger(section, QStringLiteral("FontPitch"), Font.Pitch) & 0xFF;
    Font.SetHeight(ini.ReadInteger(section, QStringLiteral("FontHeight"), Font.Height));
    Font.Color = ini.ReadInteger(section, QStringLiteral("FontColor"), Font.Color);
    BackColor = ini.ReadInteger(section, QStringLiteral("BackColor"), BackColor);
    QString styles = ini.ReadString(section, QStringLiteral("Styles"), current);
    if (styles.size() < current.size() || !allDigits(styles))
        styles = current;
    CrLfColor = ini.ReadInteger(section, QStringLiteral("CrLfColor"), CrLfColor);
    CrLfOption = ini.ReadInteger(section, QStringLiteral("CrLfOption"), CrLfOption);
    EotColor = ini.ReadInteger(section, QStringLiteral("EotColor"), EotColor);
    EotOption = ini.ReadInteger(section, QStringLiteral("EotOption"), EotOption);
    WordWrapMode = ini.ReadInteger(section, QStringLiteral("WordWrapMode"), WordWrapMode);
    // The style string has the last word on pitch and styles.
    Font.Pitch = styles[0].unicode() - u'0';
    Font.Style = stylesFrom(styles, 1, 4);
}

void TDisplayProfile::SaveTo(TProfileFile &ini, const QString &section) const
{
    ini.WriteString(section, QStringLiteral("FaceName"), Font.Name);
    ini.WriteInteger(section, QStringLiteral("Size"), Font.Size);
    ini.WriteInteger(section, QStringLiteral("Charset"), Font.Charset);
    ini.WriteInteger(section, QStringLiteral("FontPitch"), Font.Pitch);
    ini.WriteInteger(section, QStringLiteral("FontHeight"), Font.Height);
    ini.WriteString(section, QStringLiteral("Styles"), StyleString());
    ini.WriteInteger(section, QStringLiteral("FontColor"), Font.Color);
    ini.WriteInteger(section, QStringLiteral("BackColor"), BackColor);
    ini.WriteInteger(section, QStringLiteral("CrLfColor"), CrLfColor);
    ini.WriteInteger(section, QStringLiteral("CrLfOption"), CrLfOption);
    ini.WriteInteger(section, QStringLiteral("EotColor"), EotColor);
    ini.WriteInteger(section, QStringLiteral("EotOption"), EotOption);
    ini.WriteInteger(section, QStringLiteral("WordWrapMode"), WordWrapMode);
}

// --- TImeStyleOptions --------------------------------------------------------------------

void TImeStyleOptions::LoadFrom(const TProfileFile &ini, const QString &section)
{
    Text1 = ini.ReadInteger(section, QStringLiteral("cIME1Text"), Text1);
    Text2 = ini.ReadInteger(section, QStringLiteral("cIME2Text"), Text2);
    Text3 = ini.ReadInteger(section, QStringLiteral("cIME3Text"), Text3);
    Back1 = ini.ReadInteger(section, QStringLiteral("cIME1Back"), Back1);
    Back2 = ini.ReadInteger(section, QStringLiteral("cIME2Back"), Back2);
    Back3 = ini.ReadInteger(section, QStringLiteral("cIME3Back"), Back3);
    const auto readStyles = [&](const QString &key, TFontStyles current) {
        const QString s = ini.ReadString(section, key, digits(current, 3));
        if (s.size() < 3 || !allDigits(s))
            return current;
        return stylesFrom(s, 0, 3);
    };
    Style1 = readStyles(QStringLiteral("IME1Styles"), Style1);
    Style2 = readStyles(QStringLiteral("IME2Styles"), Style2);
    Style3 = readStyles(QStringLiteral("IME3Styles"), Style3);
}

void TImeStyleOptions::SaveTo(TProfileFile &ini, const QString &section) const
{
    ini.WriteInteger(section, QStringLiteral("cIME1Text"), Text1);
    ini.WriteInteger(section, QStringLiteral("cIME2Text"), Text2);
    ini.WriteInteger(section, QStringLiteral("cIME3Text"), Text3);
    ini.WriteInteger(section, QStringLiteral("cIME1Back"), Back1);
    ini.WriteInteger(section, QStringLiteral("cIME2Back"), Back2);
    ini.WriteInteger(section, QStringLiteral("cIME3Back"), Back3);
    ini.WriteString(section, QStringLiteral("IME1Styles"), digits(Style1, 3));
    ini.WriteString(section, QStringLiteral("IME2Styles"), digits(Style2, 3));
    ini.WriteString(section, QStringLiteral("IME3Styles"), digits(Style3, 3));
}

// --- TAppRecord --------------------------------------------------------------------------

const QString &TAppRecord::Copyright()
{
    static const QString text = QStringLiteral("Velmo - a Japanese document editor. Copyright (C) 2002 the Velmo authors.");
    return text;
}

TAppRecord::TAppRecord(QString fileName, ProfileStorage &storage)
    : FileName(std::move(fileName)), storage_(&storage)
{
}

bool TAppRecord::Load(const QString &fileName)
{
    const QString file = fileName.isEmpty() ? FileName : fileName;
    if (file.isEmpty())
        return false;
    const TProfileFile ini(file, *storage_);
    InitSave = ini.ReadBool(SectionName, QStringLiteral("InitSave"), true);
    return !ini.ValueExists(SectionName, QStringLiteral("Version"));
}

void TAppRecord::Save(const QString &fileName)
{
    const QString file = fileName.isEmpty() ? FileName : fileName;
    if (file.isEmpty())
        return;
    TProfileFile ini(file, *storage_);
    const QString version = QString::fromLatin1(kVersion);
    if (ini.ReadString(SectionName, QStringLiteral("Version"), QString()) == version)
        return;
    ini.WriteString(SectionName, QStringLiteral("Copyright"), Copyright());
    ini.WriteString(SectionName, QStringLiteral("Version"), version);
    ini.WriteString(SectionName, QStringLiteral("Date"), QString::fromLatin1(kDate));
}

// --- TGeneralOptions ---------------------------------------------------------------------

TGeneralOptions::TGeneralOptions(QObject *owner, QString fileName, const Printers &printers,
                                 const Screen &screen, ProfileStorage &storage)
    : Owner(owner),
      FileName(std::move(fileName)),
      CurrentDir(QDir::toNativeSeparators(QDir::currentPath())),
      RichTextProfile(TDisplayProfile::RichTextDefault(screen.pixelsPerInch())),
      TextModeProfile(TDisplayProfile::TextModeDefault(screen.pixelsPerInch())),
      PageSetup(printers, screen, FileName, storage),
      History(owner, FileName, storage),
      storage_(&storage)
{
    ResetOptionFields(*this);
}

void TGeneralOptions::Load(const QString &fileName)
{
    const QString file = resolve(fileName);
    if (file.isEmpty())
        return;
    const TProfileFile ini(file, *storage_);
    for (const TOptionField &field : OptionFields()) {
        const QString section = QLatin1String(field.Section);
        const QString key = QLatin1String(field.Key);
        switch (field.Type) {
        case TOptionType::Path:
            this->*field.PathMember = ini.ReadPath(section, key, this->*field.PathMember);
            break;
        case TOptionType::Bool:
            this->*field.BoolMember = ini.ReadBool(section, key, this->*field.BoolMember);
            break;
        case TOptionType::Integer:
            this->*field.IntegerMember = ini.ReadInteger(section, key, this->*field.IntegerMember);
            break;
        }
    }
    RichTextProfile.LoadFrom(ini, QStringLiteral("RichTextFonts"));
    TextModeProfile.LoadFrom(ini, QStringLiteral("TextModeFonts"));
    PageSetup.Load(file);
    History.LoadFrom(file);
    ImeStyles.LoadFrom(ini, QStringLiteral("IMEFontStyles"));
}

void TGeneralOptions::Save(const QString &fileName)
{
    const QString file = resolve(fileName);
    if (file.isEmpty())
        return;
    TProfileFile ini(file, *storage_);
    for (const TOptionField &field : OptionFields()) {
        const QString section = QLatin1String(field.Section);
        const QString key = QLatin1String(field.Key);
        switch (field.Type) {
        case TOptionType::Path:
            ini.WritePath(section, key, this->*field.PathMember);
            break;
        case TOptionType::Bool:
            ini.WriteBool(section, key, this->*field.BoolMember);
            break;
        case TOptionType::Integer:
            ini.WriteInteger(section, key, this->*field.IntegerMember);
            break;
        }
    }
    const QString &s = SectionName;
    RichTextProfile.SaveTo(ini, QStringLiteral("RichTextFonts"));
    TextModeProfile.SaveTo(ini, QStringLiteral("TextModeFonts"));
    if (AutoOpen) {
        ini.WritePath(s, QStringLiteral("LastEditFile"), CurrentFile);
        ini.WriteInteger(s, QStringLiteral("LastEditPos"), LastEditPos);
    } else {
        ini.DeleteKey(s, QStringLiteral("LastEditFile"));
        ini.DeleteKey(s, QStringLiteral("LastEditPos"));
    }
    PageSetup.Save(file);
    History.StoreTo(file);
    ImeStyles.SaveTo(ini, QStringLiteral("IMEFontStyles"));
}

void TGeneralOptions::TakeLastEditFile()
{
    if (!Owner || FileName.isEmpty())
        return;
    TProfileFile ini(FileName, *storage_);
    CurrentFile = ini.ReadPath(SectionName, QStringLiteral("LastEditFile"), QString());
    LastEditPos = ini.ReadInteger(SectionName, QStringLiteral("LastEditPos"), 0);
    ini.DeleteKey(SectionName, QStringLiteral("LastEditFile"));
    ini.DeleteKey(SectionName, QStringLiteral("LastEditPos"));
}

} // namespace velmo
