// ravlin-jackriff: plays the demo guitar riff on a running JACK server into the input ports of
// other clients and counts the xruns the server reports meanwhile.
//   ravlin-jackriff --to CLIENT [--seconds 30] [--wait 10]
// Registers two outputs carrying the riff (pickup level) at the server's rate, connects them in
// order to CLIENT's audio input ports (waiting up to --wait seconds for them to appear), lets the
// graph settle for two seconds, plays for --seconds more and prints "xruns N, largest DSP load P %"
// over those. Exit status 1 when CLIENT's inputs never
// appear or the server cannot be reached.
#include <jack/jack.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "CommandLine.h"
#include "RiffSynth.h"

namespace {

struct Player
{
    jack_port_t* outputs[2] = {};
    std::vector<float> riff;
    std::size_t position = 0;
    std::atomic<long> xruns{0};
};

int process(jack_nframes_t frames, void* arg)
{
    auto* p = static_cast<Player*>(arg);
    auto* left = static_cast<float*>(jack_port_get_buffer(p->outputs[0], frames));
    auto* right = static_cast<float*>(jack_port_get_buffer(p->outputs[1], frames));
    for (jack_nframes_t n = 0; n < frames; ++n)
    {
        left[n] = right[n] = p->riff[p->position];
        p->position = (p->position + 1) % p->riff.size();
    }
    return 0;
}

int onXrun(void* arg)
{
    static_cast<Player*>(arg)->xruns.fetch_add(1, std::memory_order_relaxed);
    return 0;
}

std::vector<std::string> inputsOf(jack_client_t* client, const std::string& owner)
{
    std::vector<std::string> found;
    const char** ports = jack_get_ports(client, (owner + ":").c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput);
    if (ports != nullptr)
    {
        for (const char** p = ports; *p != nullptr; ++p)
            if (std::string(*p).rfind(owner + ":", 0) == 0)
                found.emplace_back(*p);
        jack_free(ports);
    }
    return found;
}

} // namespace

int main(int argc, char** argv)
{
    std::string to;
    double seconds = 30.0, wait = 10.0;
    CLI::App app("Plays the built-in guitar riff into a JACK client's inputs and counts the xruns from two "
                 "seconds after connecting.",
                 "ravlin-jackriff");
    app.add_option("--to", to, "JACK client whose inputs get the riff")->required();
    app.add_option("--seconds", seconds, "how long to play (default 30)")->check(ravlin::cli::finitePositive(86400.0));
    app.add_option("--wait", wait, "seconds to wait for the client to appear (default 10)")
        ->check(ravlin::cli::finiteIn(0.0, 3600.0));
    if (const auto exit = ravlin::cli::parse(app, argc, argv))
        return *exit;
    jack_status_t status{};
    jack_client_t* client = jack_client_open("ravlin-jackriff", JackNoStartServer, &status);
    if (client == nullptr)
    {
        std::fprintf(stderr, "ravlin-jackriff: no JACK server (status 0x%x)\n", static_cast<unsigned>(status));
        return 1;
    }
    Player player;
    player.riff = ravlin::riff::renderDefaultRiff(static_cast<double>(jack_get_sample_rate(client)));
    if (player.riff.empty())
        player.riff.assign(1, 0.0f);
    player.outputs[0] = jack_port_register(client, "out_1", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    player.outputs[1] = jack_port_register(client, "out_2", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    jack_set_process_callback(client, process, &player);
    jack_set_xrun_callback(client, onXrun, &player);
    if (player.outputs[0] == nullptr || player.outputs[1] == nullptr || jack_activate(client) != 0)
    {
        std::fputs("ravlin-jackriff: cannot start the client\n", stderr);
        jack_client_close(client);
        return 1;
    }
    std::vector<std::string> inputs;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(wait);
    while ((inputs = inputsOf(client, to)).empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (inputs.empty())
    {
        std::fprintf(stderr, "ravlin-jackriff: %s has no audio inputs\n", to.c_str());
        jack_client_close(client);
        return 1;
    }
    for (std::size_t k = 0; k < inputs.size() && k < 2; ++k)
        jack_connect(client, jack_port_name(player.outputs[k]), inputs[k].c_str());
    // The other client may still be settling (a plug-in applying its start-up settings): count
    // from two seconds after the connection on.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    player.xruns.store(0);
    float largestLoad = 0.0f;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        largestLoad = std::max(largestLoad, jack_cpu_load(client));
    }
    const long xruns = player.xruns.load();
    jack_client_close(client);
    std::printf("xruns %ld, largest DSP load %.0f %%\n", xruns, static_cast<double>(largestLoad));
    return 0;
}
