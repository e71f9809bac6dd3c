#include "app/commandline.h"

#include "app/uitexts.h"

#include <limits>

namespace velmo {

std::optional<qint32> ParseSwitchInteger(const QString &text)
{
    const QString t = text.trimmed();
    int i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
        negative = t[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < t.size() && t[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < t.size() && t[i] == u'0' && (t[i + 1] == u'x' || t[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= t.size())
        return std::nullopt;
    qint64 value = 0;
    for (; i < t.size(); ++i) {
        const int digit = QChar(t[i]).isDigit() && t[i].unicode() < 128 ? t[i].unicode() - '0'
                          : base == 16 && t[i].toLower() >= u'a' && t[i].toLower() <= u'f'
                              ? t[i].toLower().unicode() - 'a' + 10
                              : -1;
        if (digit < 0)
            return std::nullopt;
        value = value * base + digit;
        // Hex forms may spell a negative number as its 32-bit pattern ($FFFFFFFF).
        const qint64 limit = base == 16 ? qint64(std::numeric_limits<quint32>::max())
                                        : qint64(std::numeric_limits<qint32>::max()) + 1;
        if (value > limit)
            return std::nullopt;
    }
    if (base == 16 && value > std::numeric_limits<qint32>::max())
        value = qint64(qint32(quint32(value)));
    if (negative)
        value = -value;
    if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(value);
}

CommandLine ParseCommandLine(const QStringList &arguments)
{
    CommandLine result;
    bool readOnly = false;
    for (const QString &argument : arguments) {
        const QString upper = argument.toUpper();
        if (upper == u"/P" || upper == u"-P")
            result.printOnStart = true;
        else if (upper == u"/R" || upper == u"-R")
            readOnly = true;
        else if (upper == u"/N" || upper == u"-N")
            ; // only makes the command line non-empty, so the last file is not reopened
        else
            result.files.append(argument);
    }

    struct Placement {
        const char *name;
        std::optional<qint32> CommandLine::*field;
    };
    static const Placement placements[] = {
        {"/Owner", &CommandLine::owner}, {"/Left", &CommandLine::left},
        {"/Top", &CommandLine::top},     {"/Width", &CommandLine::width},
        {"/Height", &CommandLine::height},
    };
    for (const Placement &p : placements) {
        for (qsizetype i = 0; i < result.files.size(); ++i) {
            const QString &entry = result.files[i];
            const qsizetype eq = entry.indexOf(u'=');
            if (eq < 0 || entry.left(eq).compare(QLatin1String(p.name), Qt::CaseInsensitive) != 0)
                continue;
            const QString value = entry.mid(eq + 1);
            if (const auto number = ParseSwitchInteger(value))
                result.*(p.field) = *number;
            else
                result.errors.append(
                    QString::fromUtf8(texts::kNotIntegerFormat).replace(QLatin1String("%s"), value));
            result.files.removeAt(i);
            break;
        }
    }
    result.readOnly = readOnly && !result.files.isEmpty();
    return result;
}

QString BuildLaunchLine(qint32 owner, int left, int top, int width, int height,
                        const QString &path, bool readOnly)
{
    QString line = QStringLiteral("/Owner=%1 /Left=%2 /Top=%3 /Width=%4 /Height=%5 \"%6\"")
                       .arg(owner).arg(left).arg(top).arg(width).arg(height).arg(path);
    if (readOnly)
        line += QLatin1String(" /r");
    return line;
}

} // namespace velmo
