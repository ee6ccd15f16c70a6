#include "BatchRender.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <thread>

#include "RenderProcessor.h"

namespace ravlin::render {

namespace {

juce::File resolve(const std::string& path)
{
    return juce::File::getCurrentWorkingDirectory().getChildFile(juce::String::fromUTF8(path.c_str()));
}

bool isSoundFile(const juce::File& f)
{
    const auto ext = f.getFileExtension().toLowerCase();
    return ext == ".wav" || ext == ".flac" || ext == ".aif" || ext == ".aiff";
}

std::string toStd(const juce::File& f) { return f.getFullPathName().toStdString(); }

} // namespace

bool isBatch(const RenderOptions& options)
{
    return options.inputs.size() > 1 || (options.inputs.size() == 1 && resolve(options.inputs[0]).isDirectory());
}

bool planBatch(const RenderOptions& options, std::vector<BatchItem>& items, std::string& error)
{
    items.clear();
    if (options.outputPath == defaultOutputPath)
    {
        error = "several inputs need --out FOLDER (each output is named after its input)";
        return false;
    }
    const juce::File outFolder = resolve(options.outputPath);
    if (outFolder.existsAsFile())
    {
        error = "--out " + options.outputPath + " is a file; several inputs need a folder";
        return false;
    }
    std::vector<juce::File> inputs;
    for (const auto& in : options.inputs)
    {
        const juce::File f = resolve(in);
        if (f.isDirectory())
        {
            auto found = f.findChildFiles(juce::File::findFiles, false);
            found.sort();
            const auto before = inputs.size();
            for (const auto& child : found)
                if (isSoundFile(child))
                    inputs.push_back(child);
            if (inputs.size() == before)
            {
                error = "folder " + in + " holds no WAV, FLAC or AIFF file";
                return false;
            }
        }
        else if (f.existsAsFile())
            inputs.push_back(f);
        else
        {
            error = "input " + in + " does not exist";
            return false;
        }
    }
    std::map<juce::String, juce::File> outputs; // output path -> the input that writes it
    for (const auto& in : inputs)
    {
        const juce::File out = outFolder.getChildFile(isSoundFile(in) ? in.getFileName() : in.getFileName() + ".wav");
        if (out == in)
        {
            error = "the output for " + toStd(in) + " would overwrite it; choose another --out folder";
            return false;
        }
        const auto [it, fresh] = outputs.emplace(out.getFullPathName(), in);
        if (!fresh)
        {
            if (it->second == in)
                continue; // named twice (a file and its folder): render it once
            error = toStd(it->second) + " and " + toStd(in) + " would both write " + toStd(out);
            return false;
        }
        items.push_back({toStd(in), toStd(out)});
    }
    if (!outFolder.isDirectory() && !outFolder.createDirectory().wasOk())
    {
        error = "cannot create the output folder " + options.outputPath;
        return false;
    }
    return true;
}

std::vector<BatchResult> renderBatch(const RenderOptions& options, const std::vector<BatchItem>& items, int jobs,
                                     const std::function<void(double)>& progress)
{
    std::vector<BatchResult> results(items.size());
    if (items.empty())
        return results;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const auto threads = std::min<std::size_t>(items.size(), jobs > 0 ? static_cast<std::size_t>(jobs) : cores);

    // Per take, the finished part in thousandths: the workers write, the calling thread sums.
    std::vector<std::atomic<int>> done(items.size());
    for (auto& d : done)
        d.store(0);
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> finished{0};
    auto worker = [&]() {
        for (std::size_t k = next++; k < items.size(); k = next++)
        {
            RenderOptions one = options;
            one.inputPath = items[k].input;
            one.inputs = {items[k].input};
            one.outputPath = items[k].output;
            one.quiet = true;
            BatchResult& r = results[k];
            r.item = items[k];
            auto processor = createRenderProcessor();
            RenderSession session(*processor, renderProcessorHooks(*processor));
            r.ok = session.render(one, r.summary, r.error, [&done, k](long long n, long long total) {
                done[k].store(total > 0 ? static_cast<int>(1000 * n / total) : 1000, std::memory_order_relaxed);
            });
            done[k].store(1000, std::memory_order_relaxed);
            ++finished;
        }
    };
    std::vector<std::thread> pool;
    for (std::size_t t = 0; t < threads; ++t)
        pool.emplace_back(worker);
    auto report = [&]() {
        if (!progress)
            return;
        long long sum = 0;
        for (const auto& d : done)
            sum += d.load(std::memory_order_relaxed);
        progress(static_cast<double>(sum) / (1000.0 * static_cast<double>(items.size())));
    };
    while (finished.load() < items.size())
    {
        report();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    for (auto& t : pool)
        t.join();
    report();
    return results;
}

std::string formatBatchReport(const std::vector<BatchResult>& results)
{
    std::string out;
    std::size_t good = 0;
    char line[512];
    for (const auto& r : results)
    {
        if (r.ok)
        {
            ++good;
            std::snprintf(line, sizeof line, "  ok      %s -> %s (%.2f s, peak %.1f dBFS, %.1fx real time)\n",
                          r.item.input.c_str(), r.item.output.c_str(), r.summary.seconds, r.summary.peakDb,
                          r.summary.realtimeFactor);
            out += line;
        }
        else
            out += "  FAILED  " + r.item.input + ": " + r.error + "\n";
    }
    std::snprintf(line, sizeof line, "ravlin-render: %zu of %zu take%s rendered", good, results.size(),
                  results.size() == 1 ? "" : "s");
    out += line;
    if (good < results.size())
        out += ", " + std::to_string(results.size() - good) + " failed";
    if (!results.empty() && results.front().ok)
        out += "\n  model folder   " + results.front().summary.modelFolder + "\n  sample loop    "
               + results.front().summary.sampleLoop + "\n  program        " + results.front().summary.program;
    return out + "\n";
}

} // namespace ravlin::render
