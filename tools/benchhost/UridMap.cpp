#include "UridMap.h"

namespace ravlin::benchhost {

UridMap::UridMap()
{
    mapData.handle = this;
    mapData.map = [](LV2_URID_Map_Handle h, const char* uri) { return static_cast<UridMap*>(h)->map(uri); };
    unmapData.handle = this;
    unmapData.unmap = [](LV2_URID_Unmap_Handle h, LV2_URID id) { return static_cast<UridMap*>(h)->unmap(id); };
}

LV2_URID UridMap::map(const char* uri)
{
    if (uri == nullptr)
        return 0;
    const auto found = ids.find(uri);
    if (found != ids.end())
        return found->second;
    uris.emplace_back(uri);
    const auto id = static_cast<LV2_URID>(uris.size());
    ids.emplace(uris.back(), id);
    return id;
}

const char* UridMap::unmap(LV2_URID id) const noexcept
{
    if (id == 0 || id > uris.size())
        return nullptr;
    return uris[id - 1].c_str();
}

} // namespace ravlin::benchhost
