#pragma once
// The host side of the LV2 urid:map and urid:unmap features: URIs to small integers and back.
// Control-thread only (plug-ins map URIs while they are instantiated, not while running).
#include <string>
#include <unordered_map>
#include <vector>

#include <lv2/urid/urid.h>

namespace ravlin::benchhost {

class UridMap
{
public:
    UridMap();
    UridMap(const UridMap&) = delete;
    UridMap& operator=(const UridMap&) = delete;

    /// The id of `uri`; ids start at 1 and stay stable for the lifetime of the map.
    LV2_URID map(const char* uri);
    /// The URI of `id`, or nullptr for an id never handed out.
    const char* unmap(LV2_URID id) const noexcept;

    /// Feature structs to hand to plug-ins; they point into this object.
    LV2_URID_Map* mapFeature() noexcept { return &mapData; }
    LV2_URID_Unmap* unmapFeature() noexcept { return &unmapData; }

private:
    std::unordered_map<std::string, LV2_URID> ids;
    std::vector<std::string> uris; ///< uris[id - 1]
    LV2_URID_Map mapData{};
    LV2_URID_Unmap unmapData{};
};

} // namespace ravlin::benchhost
