#include "doubles/faultyprofilestorage.h"

namespace velmo {

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
