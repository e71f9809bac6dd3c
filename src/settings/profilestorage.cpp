#include "settings/profilestorage.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmo {
namespace {

// A file descriptor closed on every way out.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }

private:
    int fd_;
};

bool readAll(int fd, std::string &out)
{
    char buf[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n == 0)
            return true;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        out.append(buf, size_t(n));
    }
}

bool writeAll(int fd, const std::string &data)
{
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += size_t(n);
    }
    return true;
}

// The process's file-creation mask; reading it means setting it, so it is put straight back.
mode_t currentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// Writes data to a new file beside target and renames it over target. The new file takes
// the target's permission bits (or the usual ones for a new file).
bool replaceFile(const std::string &target, const std::string &data, mode_t mode)
{
    std::string temp = target + ".XXXXXX";
    Fd fd(::mkstemp(temp.data()));
    if (!fd.ok())
        return false;
    // Synced before the rename, so that a crash leaves the old file or the new one, never
    // an empty one.
    const bool written = writeAll(fd.get(), data) && ::fchmod(fd.get(), mode) == 0
                         && ::fdatasync(fd.get()) == 0;
    if (!written || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

} // namespace

ProfileStorage &ProfileStorage::system()
{
    static LocalProfileStorage local;
    return local;
}

std::optional<std::string> ProfileStorage::read(const QString &path)
{
    const auto it = batches_.find(path);
    if (it == batches_.end() || it->second.edits.empty())
        return readFile(path);
    Batch &batch = it->second;
    if (!batch.view) {
        std::string bytes = readFile(path).value_or(std::string());
        for (const Edit &edit : batch.edits)
            edit(bytes);
        batch.view.emplace(std::move(bytes));
    }
    return *batch.view;
}

bool ProfileStorage::modify(const QString &path, const Edit &edit)
{
    const auto it = batches_.find(path);
    if (it == batches_.end())
        return modifyFile(path, edit);
    Batch &batch = it->second;
    batch.edits.push_back(edit);
    if (batch.view)
        edit(*batch.view);
    return true;
}

void ProfileStorage::beginBatch(const QString &path)
{
    ++batches_[path].depth;
}

bool ProfileStorage::commitBatch(const QString &path)
{
    const auto it = batches_.find(path);
    if (it == batches_.end())
        return true;
    if (--it->second.depth > 0)
        return true;
    const std::vector<Edit> edits = std::move(it->second.edits);
    batches_.erase(it);
    if (edits.empty())
        return true;
    return modifyFile(path, [&edits](std::string &bytes) {
        bool changed = false;
        for (const Edit &edit : edits)
            changed = edit(bytes) || changed;
        return changed;
    });
}

std::optional<std::string> LocalProfileStorage::readFile(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    Fd fd(::open(name.constData(), O_RDONLY | O_CLOEXEC));
    if (!fd.ok())
        return std::nullopt;
    std::string bytes;
    if (!readAll(fd.get(), bytes))
        return std::nullopt;
    return bytes;
}

bool LocalProfileStorage::modifyFile(const QString &path, const Edit &edit)
{
    // A settings file that is a link stays one: the file it points to is replaced.
    std::string target = QFile::encodeName(path).toStdString();
    if (char *real = ::realpath(target.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    const std::string lockName = target + ".lock";
    Fd lock(::open(lockName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (!lock.ok())
        return false;
    while (::flock(lock.get(), LOCK_EX) != 0) {
        if (errno != EINTR)
            return false;
    }
    // The lock is released when `lock` closes.

    std::string bytes;
    mode_t mode = 0666 & ~currentUmask();
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        // A file without its owner's write bit is read-only, whoever we are: root would
        // otherwise replace it without a word.
        if (!(st.st_mode & S_IWUSR) || ::access(target.c_str(), W_OK) != 0)
            return false;
        mode = st.st_mode & 07777;
        Fd in(::open(target.c_str(), O_RDONLY | O_CLOEXEC));
        if (!in.ok() || !readAll(in.get(), bytes))
            return false;
    } else if (errno != ENOENT) {
        return false;
    }

    if (!edit(bytes))
        return true;
    return replaceFile(target, bytes, mode);
}

std::optional<std::string> FaultyProfileStorage::readFile(const QString &path)
{
    return local_.readFile(path);
}

bool FaultyProfileStorage::modifyFile(const QString &path, const Edit &edit)
{
    if (remaining_ == 0) {
        ++refused_;
        return false;
    }
    if (remaining_ > 0)
        --remaining_;
    ++writes_;
    return local_.modifyFile(path, edit);
}

} // namespace velmo
