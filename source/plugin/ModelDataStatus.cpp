#include "plugin/ModelDataStatus.h"

namespace ravlin::plugin {
bool ModelDataStatus::publish(const std::string& folder, std::vector<ModelFileFailure> found)
{
    std::string newText = modelDataNotice(folder, found);
    bool changed = false;
    {
        const std::lock_guard<std::mutex> guard(lock);
        changed = newText != text || found.size() != current.size();
        current = std::move(found);
        text = std::move(newText);
    }
    if (changed)
        count.fetch_add(1, std::memory_order_acq_rel);
    return changed;
}

std::vector<ModelFileFailure> ModelDataStatus::failures() const
{
    const std::lock_guard<std::mutex> guard(lock);
    return current;
}

std::string ModelDataStatus::notice() const
{
    const std::lock_guard<std::mutex> guard(lock);
    return text;
}
} // namespace ravlin::plugin
