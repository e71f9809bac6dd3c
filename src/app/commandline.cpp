#include "app/commandline.h"

#include "app/uitexts.h"
#include "settings/profilefile.h"


namespace velmo {

std::optional<qint32> ParseSwitchInteger(const QString &text)
{
    std::int32_t value = 0;
    return TProfileFile::ParseInteger(text.trimmed(), value) ? std::optional<qint32>(value) : std::nullopt;
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

namespace {

// One argument in double quotes, so that the new window's splitter gives it back exactly: a
// quote in it is written \" and the backslashes before a quote (or before the closing
// quote) are doubled. A file name may hold quotes, and must never open a switch of its own.
QString quotedArgument(const QString &argument)
{
    QString out = QStringLiteral("\"");
    int backslashes = 0;
    for (const QChar c : argument) {
        if (c == u'\\') {
            ++backslashes;
        } else if (c == u'"') {
            out += QString(backslashes + 1, u'\\');
            backslashes = 0;
        } else {
            backslashes = 0;
        }
        out += c;
    }
    out += QString(backslashes, u'\\');
    out += u'"';
    return out;
}

} // namespace

QString BuildLaunchLine(qint32 owner, int left, int top, int width, int height,
                        const QString &path, bool readOnly)
{
    QString line = QStringLiteral("/Owner=%1 /Left=%2 /Top=%3 /Width=%4 /Height=%5 ")
                       .arg(owner).arg(left).arg(top).arg(width).arg(height)
                   + quotedArgument(path);
    if (readOnly)
        line += QLatin1String(" /r");
    return line;
}

} // namespace velmo
