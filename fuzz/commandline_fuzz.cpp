// libFuzzer target: the command line and the launch line. Any arguments parse without a crash
// into files taken from the arguments in their order; and a launch line built for any file
// name and placement reads back, as the new window splits and parses it, as exactly that file
// with exactly those switches.
#include "app/commandline.h"
#include "platform/launchline.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

[[noreturn]] void fail(const char *what, const QString &detail)
{
    std::fprintf(stderr, "%s: %s\n", what, qPrintable(detail));
    std::abort();
}

qint32 take32(const std::uint8_t *&data, std::size_t &size)
{
    std::uint32_t v = 0;
    const std::size_t n = size < 4 ? size : 4;
    std::memcpy(&v, data, n);
    data += n;
    size -= n;
    return qint32(v);
}

// Files are the arguments that are no switch, in the order given.
void checkParsed(const QStringList &arguments, const velmo::CommandLine &line)
{
    qsizetype at = 0;
    for (const QString &file : line.files) {
        while (at < arguments.size() && arguments[at] != file)
            ++at;
        if (at == arguments.size())
            fail("a file that is no argument, or out of order", file);
        ++at;
    }
    if (line.readOnly && line.files.isEmpty())
        fail("read-only without a file", arguments.join(u'|'));
    if (line.errors.size() > 5)
        fail("more errors than placement switches", line.errors.join(u'|'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // Anything as a command line, split as the system splits it, and as separate arguments.
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList split = velmo::splitWindowsCommandLine(text);
    checkParsed(split, velmo::ParseCommandLine(split));
    const QStringList arguments = text.split(QChar(u'\0'));
    checkParsed(arguments, velmo::ParseCommandLine(arguments));

    // The launch line for a document: a full path (under a folder, so that it cannot read as a
    // switch) and a placement from the input.
    const std::uint8_t *p = data;
    std::size_t n = size;
    const qint32 owner = take32(p, n), left = take32(p, n), top = take32(p, n),
                 width = take32(p, n), height = take32(p, n);
    const bool readOnly = n > 0 && (*p++ & 1);
    n = n > 0 ? n - 1 : 0;
    QString name = QString::fromUtf8(reinterpret_cast<const char *>(p), qsizetype(n));
    name.remove(QChar(u'\0')); // no file name holds one
    const QString path = QStringLiteral("/tmp/") + name;

    const QString launch = velmo::BuildLaunchLine(owner, left, top, width, height, path, readOnly);
    const velmo::CommandLine back = velmo::ParseCommandLine(velmo::splitWindowsCommandLine(launch));
    if (back.files != QStringList{path})
        fail("the launch line names other files", launch + QStringLiteral(" -> ") + back.files.join(u'|'));
    if (back.owner != owner || back.left != left || back.top != top || back.width != width
        || back.height != height || !back.errors.isEmpty())
        fail("the launch line places the window elsewhere", launch);
    if (back.readOnly != readOnly || back.printOnStart)
        fail("the launch line switches something else", launch);
    return 0;
}
