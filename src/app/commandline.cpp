#include "app/commandline.h"

#include "app/uitexts.h"
#include "platform/launchline.h"
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

bool IsSwitchLike(const QString &argument)
{
    CommandLine alone = ParseCommandLine({argument});
    return alone.files != QStringList{argument};
}

QString BuildLaunchLine(qint32 owner, int left, int top, int width, int height,
                        const QString &path, bool readOnly)
{
    // A name the new window would take for a switch is written as another name of the same
    // file: "/r" as "//r", "-p" as "./-p".
    QString file = path;
    if (IsSwitchLike(file))
        file.prepend(file.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QStringLiteral("./"));
    QString line = QStringLiteral("/Owner=%1 /Left=%2 /Top=%3 /Width=%4 /Height=%5 ")
                       .arg(owner).arg(left).arg(top).arg(width).arg(height)
                   + quoteLaunchArgument(file);
    if (readOnly)
        line += QLatin1String(" /r");
    return line;
}

} // namespace velmo
