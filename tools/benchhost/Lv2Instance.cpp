#include "Lv2Instance.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/patch/patch.h>
#include <lv2/urid/urid.h>

namespace ravlin::benchhost {

LilvWorld* loadWorld(const std::vector<std::string>& bundles)
{
    LilvWorld* world = lilv_world_new();
    lilv_world_load_all(world);
    for (const auto& dir : bundles)
    {
        std::string path = std::filesystem::absolute(dir).lexically_normal().string();
        if (path.empty() || path.back() != '/')
            path += '/';
        LilvNode* bundleUri = lilv_new_file_uri(world, nullptr, path.c_str());
        lilv_world_load_bundle(world, bundleUri);
        lilv_node_free(bundleUri);
    }
    return world;
}

namespace {

constexpr std::size_t atomBufferBytes = 8192;

struct NodeDeleter
{
    void operator()(LilvNode* n) const noexcept { lilv_node_free(n); }
};
using Node = std::unique_ptr<LilvNode, NodeDeleter>;

bool isSupportedFeature(const char* uri)
{
    static const char* const supported[] = {LV2_URID__map,
                                            LV2_URID__unmap,
                                            LV2_OPTIONS__options,
                                            LV2_BUF_SIZE__boundedBlockLength,
                                            LV2_CORE__isLive,
                                            "http://lv2plug.in/ns/lv2core#hardRTCapable",
                                            "http://lv2plug.in/ns/lv2core#inPlaceBroken"};
    return std::any_of(std::begin(supported), std::end(supported),
                       [uri](const char* s) { return std::strcmp(s, uri) == 0; });
}

} // namespace

Lv2Instance::~Lv2Instance()
{
    if (instance != nullptr)
    {
        lilv_instance_deactivate(instance);
        lilv_instance_free(instance);
    }
}

std::unique_ptr<Lv2Instance> Lv2Instance::create(LilvWorld* world, const std::string& uri, double sampleRate,
                                                 int maxBlock,
                                                 const std::vector<std::pair<std::string, float>>& controls,
                                                 std::string& error)
{
    Node uriNode(lilv_new_uri(world, uri.c_str()));
    const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uriNode.get());
    if (plugin == nullptr)
    {
        error = "no LV2 plug-in with uri " + uri + " (is its bundle on LV2_PATH or given with --bundle?)";
        return nullptr;
    }

    LilvNodes* required = lilv_plugin_get_required_features(plugin);
    LILV_FOREACH(nodes, it, required)
    {
        const char* feature = lilv_node_as_uri(lilv_nodes_get(required, it));
        if (!isSupportedFeature(feature))
        {
            error = uri + " requires the host feature " + feature + ", which this bench host does not provide";
            lilv_nodes_free(required);
            return nullptr;
        }
    }
    lilv_nodes_free(required);

    std::unique_ptr<Lv2Instance> self(new Lv2Instance());
    self->maxFrames = std::max(1, maxBlock);
    {
        Node name(lilv_plugin_get_name(plugin));
        self->pluginName = name ? lilv_node_as_string(name.get()) : uri;
    }

    UridMap& u = self->urids;
    self->atomSequenceUrid = u.map(LV2_ATOM__Sequence);
    self->atomChunkUrid = u.map(LV2_ATOM__Chunk);
    self->atomFrameTimeUrid = u.map(LV2_ATOM__frameTime);
    self->optionInts = {static_cast<std::uint32_t>(self->maxFrames), 1u, static_cast<std::uint32_t>(self->maxFrames),
                        static_cast<std::uint32_t>(atomBufferBytes)};
    self->optionRate = static_cast<float>(sampleRate);
    const LV2_URID intType = u.map(LV2_ATOM__Int);
    const LV2_URID floatType = u.map(LV2_ATOM__Float);
    auto intOption = [&](const char* key, std::size_t index) {
        return LV2_Options_Option{LV2_OPTIONS_INSTANCE, 0,       u.map(key),
                                  sizeof(std::int32_t), intType, &self->optionInts[index]};
    };
    self->options = {intOption(LV2_BUF_SIZE__maxBlockLength, 0),
                     intOption(LV2_BUF_SIZE__minBlockLength, 1),
                     intOption("http://lv2plug.in/ns/ext/buf-size#nominalBlockLength", 2),
                     intOption(LV2_BUF_SIZE__sequenceSize, 3),
                     LV2_Options_Option{LV2_OPTIONS_INSTANCE, 0, u.map("http://lv2plug.in/ns/lv2core#sampleRate"),
                                        sizeof(float), floatType, &self->optionRate},
                     LV2_Options_Option{LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    self->featureStorage = {{LV2_URID__map, u.mapFeature()},
                            {LV2_URID__unmap, u.unmapFeature()},
                            {LV2_OPTIONS__options, self->options.data()},
                            {LV2_BUF_SIZE__boundedBlockLength, nullptr}};
    for (auto& f : self->featureStorage)
        self->features.push_back(&f);
    self->features.push_back(nullptr);

    // Control values by symbol, checked before anything runs.
    const uint32_t portCount = lilv_plugin_get_num_ports(plugin);
    std::vector<float> defaults(portCount), minimums(portCount), maximums(portCount);
    lilv_plugin_get_port_ranges_float(plugin, minimums.data(), maximums.data(), defaults.data());
    for (const auto& [symbol, value] : controls)
    {
        Node sym(lilv_new_string(world, symbol.c_str()));
        if (lilv_plugin_get_port_by_symbol(plugin, sym.get()) != nullptr)
            continue;
        // A writable parameter whose URI ends in the name.
        Node writable(lilv_new_uri(world, LV2_PATCH__writable));
        LilvNodes* parameters = lilv_world_find_nodes(world, lilv_plugin_get_uri(plugin), writable.get(), nullptr);
        std::string found;
        LILV_FOREACH(nodes, it, parameters)
        {
            const std::string p = lilv_node_as_string(lilv_nodes_get(parameters, it));
            if (p.size() > symbol.size() && p.compare(p.size() - symbol.size(), symbol.size(), symbol) == 0
                && std::string(":#/").find(p[p.size() - symbol.size() - 1]) != std::string::npos)
                found = p;
        }
        lilv_nodes_free(parameters);
        if (found.empty())
        {
            error = uri + " has no port or writable parameter named '" + symbol + "'";
            return nullptr;
        }
        self->pendingParameters.emplace_back(u.map(found.c_str()), value);
    }

    self->instance = lilv_plugin_instantiate(plugin, sampleRate, self->features.data());
    if (self->instance == nullptr)
    {
        error = uri + " failed to instantiate at " + std::to_string(sampleRate) + " Hz";
        return nullptr;
    }

    Node audioClass(lilv_new_uri(world, LV2_CORE__AudioPort));
    Node cvClass(lilv_new_uri(world, LV2_CORE__CVPort));
    Node controlClass(lilv_new_uri(world, LV2_CORE__ControlPort));
    Node atomClass(lilv_new_uri(world, LV2_ATOM__AtomPort));
    Node inputClass(lilv_new_uri(world, LV2_CORE__InputPort));
    Node optionalClass(lilv_new_uri(world, LV2_CORE__connectionOptional));
    for (uint32_t p = 0; p < portCount; ++p)
    {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, p);
        const bool input = lilv_port_is_a(plugin, port, inputClass.get());
        if (lilv_port_is_a(plugin, port, audioClass.get()) || lilv_port_is_a(plugin, port, cvClass.get()))
        {
            auto buffer = std::make_unique<std::vector<float>>(static_cast<std::size_t>(self->maxFrames), 0.0f);
            lilv_instance_connect_port(self->instance, p, buffer->data());
            if (!lilv_port_is_a(plugin, port, audioClass.get()))
                self->cvBuffers.push_back(std::move(buffer));
            else
                (input ? self->audioIn : self->audioOut).push_back(std::move(buffer));
        }
        else if (lilv_port_is_a(plugin, port, controlClass.get()))
        {
            float value = std::isnan(defaults[p]) ? (std::isnan(minimums[p]) ? 0.0f : minimums[p]) : defaults[p];
            const char* symbol = lilv_node_as_string(lilv_port_get_symbol(plugin, port));
            for (const auto& [name, v] : controls)
                if (input && name == symbol)
                    value = v;
            self->controlValues.push_back(std::make_unique<float>(value));
            lilv_instance_connect_port(self->instance, p, self->controlValues.back().get());
        }
        else if (lilv_port_is_a(plugin, port, atomClass.get()))
        {
            auto atom = std::make_unique<AtomPort>();
            atom->storage.assign(atomBufferBytes / sizeof(std::uint64_t), 0);
            atom->input = input;
            lilv_instance_connect_port(self->instance, p, atom->storage.data());
            self->atomPorts.push_back(std::move(atom));
        }
        else if (!lilv_port_has_property(plugin, port, optionalClass.get()))
        {
            Node portName(lilv_port_get_name(plugin, port));
            error = uri + " has port " + std::to_string(p) + " ("
                    + (portName ? lilv_node_as_string(portName.get()) : "?")
                    + ") of a type this bench host cannot connect";
            return nullptr;
        }
        else
            lilv_instance_connect_port(self->instance, p, nullptr);
    }
    // Everything the patch messages need is mapped here, off the processing path.
    lv2_atom_forge_init(&self->forge, u.mapFeature());
    self->patchSetUrid = u.map(LV2_PATCH__Set);
    self->patchPropertyUrid = u.map(LV2_PATCH__property);
    self->patchValueUrid = u.map(LV2_PATCH__value);
    self->resetAtomPorts();
    lilv_instance_activate(self->instance);
    return self;
}

void Lv2Instance::sendParameters() noexcept
{
    for (auto& a : atomPorts)
    {
        if (!a->input)
            continue;
        lv2_atom_forge_set_buffer(&forge, reinterpret_cast<std::uint8_t*>(a->storage.data()), atomBufferBytes);
        LV2_Atom_Forge_Frame sequence;
        lv2_atom_forge_sequence_head(&forge, &sequence, atomFrameTimeUrid);
        for (const auto& [property, value] : pendingParameters)
        {
            LV2_Atom_Forge_Frame object;
            lv2_atom_forge_frame_time(&forge, 0);
            lv2_atom_forge_object(&forge, &object, 0, patchSetUrid);
            lv2_atom_forge_key(&forge, patchPropertyUrid);
            lv2_atom_forge_urid(&forge, property);
            lv2_atom_forge_key(&forge, patchValueUrid);
            lv2_atom_forge_float(&forge, value);
            lv2_atom_forge_pop(&forge, &object);
        }
        lv2_atom_forge_pop(&forge, &sequence);
        break;
    }
    pendingParameters.clear();
}

void Lv2Instance::resetAtomPorts() noexcept
{
    for (auto& a : atomPorts)
    {
        auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(a->storage.data());
        if (a->input)
        {
            // An empty event sequence: header only.
            seq->atom.size = sizeof(LV2_Atom_Sequence_Body);
            seq->atom.type = atomSequenceUrid;
            seq->body.unit = atomFrameTimeUrid;
            seq->body.pad = 0;
        }
        else
        {
            // Output: the capacity the plug-in may write, as an empty chunk.
            seq->atom.size = static_cast<std::uint32_t>(atomBufferBytes - sizeof(LV2_Atom));
            seq->atom.type = atomChunkUrid;
        }
    }
}

void Lv2Instance::run(const float* input, int frames) noexcept
{
    frames = std::clamp(frames, 0, maxFrames);
    for (auto& in : audioIn)
        std::copy(input, input + frames, in->data());
    resetAtomPorts();
    if (!pendingParameters.empty())
        sendParameters();
    lilv_instance_run(instance, static_cast<uint32_t>(frames));
}

void Lv2Instance::run(const float* const* inputs, int channels, int frames) noexcept
{
    frames = std::clamp(frames, 0, maxFrames);
    if (channels < 1)
        return;
    for (std::size_t i = 0; i < audioIn.size(); ++i)
    {
        const float* in = inputs[std::min<std::size_t>(i, static_cast<std::size_t>(channels - 1))];
        std::copy(in, in + frames, audioIn[i]->data());
    }
    resetAtomPorts();
    if (!pendingParameters.empty())
        sendParameters();
    lilv_instance_run(instance, static_cast<uint32_t>(frames));
}

} // namespace ravlin::benchhost
