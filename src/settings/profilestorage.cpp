#include "settings/profilestorage.h"

#include "platform/filesystem.h"

namespace velmo {
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
    return readSharedFile(path);
}

bool LocalProfileStorage::modifyFile(const QString &path, const Edit &edit)
{
    return modifySharedFile(path, edit);
}

} // namespace velmo
