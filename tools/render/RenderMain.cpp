// ravlin-render: renders a sound file, or the built-in DI guitar riff, through RAVLIN Preamp
// offline with the same processor the plug-ins run. See --help.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BatchRender.h"
#include "ProgressBar.h"
#include "RenderOptions.h"
#include "RenderProcessor.h"
#include "RenderSession.h"

int main(int argc, char** argv)
{
    using namespace ravlin::render;
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    const auto options = parseRenderOptions(args, error);
    if (!options)
    {
        std::fprintf(stderr, "ravlin-render: %s\n", error.c_str());
        return 2;
    }
    if (options->help)
    {
        std::fputs(renderUsage().c_str(), stdout);
        return 0;
    }

    juce::ScopedJuceInitialiser_GUI juceRuntime;
    auto processor = createRenderProcessor();
    RenderSession session(*processor, renderProcessorHooks(*processor));
    if (options->list)
    {
        if (!session.configure(*options, error))
        {
            std::fprintf(stderr, "ravlin-render: %s\n", error.c_str());
            return 1;
        }
        std::fputs(session.listing().c_str(), stdout);
        return 0;
    }
    if (isBatch(*options))
    {
        std::vector<BatchItem> items;
        if (!planBatch(*options, items, error))
        {
            std::fprintf(stderr, "ravlin-render: %s\n", error.c_str());
            return 1;
        }
        ProgressBar bar(!options->quiet);
        const auto results = renderBatch(*options, items, options->jobs, [&bar](double fraction) {
            bar.update(static_cast<long long>(fraction * 1000.0), 1000);
        });
        bar.finish();
        const std::string report = formatBatchReport(results);
        const bool allGood = std::all_of(results.begin(), results.end(), [](const BatchResult& r) { return r.ok; });
        std::fputs(report.c_str(), allGood ? stdout : stderr);
        return allGood ? 0 : 1;
    }
    RenderSummary summary;
    if (!session.render(*options, summary, error))
    {
        std::fprintf(stderr, "ravlin-render: %s\n", error.c_str());
        return 1;
    }
    std::fputs(formatSummary(summary).c_str(), stdout);
    return 0;
}
