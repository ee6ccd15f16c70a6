#include "RenderSession.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>

#include "ModelFiles.h"
#include "ProgressBar.h"
#include "RiffSynth.h"
#include "plugin/ParameterTable.h"
#include "plugin/StateChunk.h"

// The processor's parameters are the framework's index-based (legacy) parameter interface.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace ravlin::render {

namespace {

constexpr double builtInRiffRate = 48000.0;
constexpr double maxInputSeconds = 3600.0; ///< refuse anything longer than an hour

juce::File resolve(const std::string& path)
{
    return juce::File::getCurrentWorkingDirectory().getChildFile(juce::String::fromUTF8(path.c_str()));
}

std::string toStd(const juce::String& s) { return s.toStdString(); }

double toDb(double v) { return v > 0.0 ? 20.0 * std::log10(v) : -HUGE_VAL; }

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

/// Writer settings for the output file's extension: format and bits per sample.
struct OutputFormat
{
    std::unique_ptr<juce::AudioFormat> format;
    int bits = 24;
};

OutputFormat outputFormatFor(const juce::File& file)
{
    const auto ext = file.getFileExtension().toLowerCase();
    if (ext == ".wav")
        return {std::make_unique<juce::WavAudioFormat>(), 32};
    if (ext == ".flac")
        return {std::make_unique<juce::FlacAudioFormat>(), 24};
    if (ext == ".aif" || ext == ".aiff")
        return {std::make_unique<juce::AiffAudioFormat>(), 24};
    return {};
}

bool resample(juce::AudioBuffer<float>& audio, double fromRate, double toRate)
{
    const double ratio = fromRate / toRate; // input samples per output sample
    const int inLength = audio.getNumSamples();
    const auto outLength = static_cast<int>(std::ceil(inLength / ratio));
    if (outLength <= 0)
        return false;
    // The interpolator reads a few samples ahead of its position: pad with silence.
    juce::AudioBuffer<float> padded(audio.getNumChannels(), inLength + 256);
    padded.clear();
    juce::AudioBuffer<float> out(audio.getNumChannels(), outLength);
    for (int c = 0; c < audio.getNumChannels(); ++c)
    {
        padded.copyFrom(c, 0, audio, c, 0, inLength);
        juce::WindowedSincInterpolator interpolator;
        interpolator.process(ratio, padded.getReadPointer(c), out.getWritePointer(c), outLength);
    }
    audio = std::move(out);
    return true;
}

/// The current program's stored values, read back through the host interface.
plugin::StoredValues storedValues(juce::AudioProcessor& processor)
{
    plugin::StoredValues q{};
    for (int i = 0; i < plugin::numParameters; ++i)
        q[static_cast<std::size_t>(i)] = plugin::quantise(i, processor.getParameter(i));
    return q;
}

} // namespace

bool loadInput(const RenderOptions& options, juce::AudioBuffer<float>& audio, double& sampleRate, std::string& error)
{
    if (options.inputPath.empty())
    {
        sampleRate = options.sampleRate > 0.0 ? options.sampleRate : builtInRiffRate;
        const auto riff = riff::renderDefaultRiff(sampleRate);
        audio.setSize(1, static_cast<int>(riff.size()));
        std::copy(riff.begin(), riff.end(), audio.getWritePointer(0));
        return true;
    }
    const juce::File file = resolve(options.inputPath);
    if (!file.existsAsFile())
    {
        error = "input file " + options.inputPath + " does not exist";
        return false;
    }
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    std::unique_ptr<juce::AudioFormatReader> reader(formats.createReaderFor(file));
    if (reader == nullptr)
    {
        error = "cannot read " + options.inputPath + ": not a readable WAV, FLAC or AIFF file";
        return false;
    }
    if (reader->numChannels < 1 || reader->numChannels > 2)
    {
        error = options.inputPath + " has " + std::to_string(reader->numChannels)
                + " channels; only mono and stereo input is accepted";
        return false;
    }
    if (!(reader->sampleRate >= 8000.0 && reader->sampleRate <= 384000.0))
    {
        error = options.inputPath + " has an unsupported sample rate of " + std::to_string(reader->sampleRate) + " Hz";
        return false;
    }
    if (reader->lengthInSamples <= 0
        || reader->lengthInSamples > static_cast<juce::int64>(maxInputSeconds * reader->sampleRate))
    {
        error = options.inputPath + (reader->lengthInSamples <= 0 ? " contains no samples" : " is longer than an hour");
        return false;
    }
    const auto length = static_cast<int>(reader->lengthInSamples);
    audio.setSize(static_cast<int>(reader->numChannels), length);
    if (!reader->read(&audio, 0, length, 0, true, reader->numChannels > 1))
    {
        error = "reading " + options.inputPath + " failed (file truncated or damaged)";
        return false;
    }
    sampleRate = reader->sampleRate;
    if (options.sampleRate > 0.0 && options.sampleRate != sampleRate)
    {
        if (!resample(audio, sampleRate, options.sampleRate))
        {
            error = "cannot resample " + options.inputPath + " to " + std::to_string(options.sampleRate) + " Hz";
            return false;
        }
        sampleRate = options.sampleRate;
    }
    return true;
}

RenderSession::RenderSession(juce::AudioProcessor& p, ProcessorHooks h) : processor(p), hooks(std::move(h)) {}

int RenderSession::findParameter(const std::string& name) const
{
    const int count = processor.getNumParameters();
    for (int i = 0; i < count; ++i)
        if (toStd(processor.getParameterName(i)) == name)
            return i;
    for (int i = 0; i < count; ++i) // then without regard to case
        if (lower(toStd(processor.getParameterName(i))) == lower(name))
            return i;
    return -1;
}

bool RenderSession::configure(const RenderOptions& options, std::string& error)
{
    // Check every name before changing anything.
    for (const auto& s : options.settings)
        if (findParameter(s.name) < 0)
        {
            std::string names;
            for (int i = 0; i < processor.getNumParameters(); ++i)
                names += (i ? ", " : "") + toStd(processor.getParameterName(i));
            error = "unknown parameter '" + s.name + "' (parameters: " + names + ")";
            return false;
        }
    if (!options.statePath.empty())
    {
        const juce::File file = resolve(options.statePath);
        juce::MemoryBlock chunk;
        if (!file.existsAsFile() || !file.loadFileAsData(chunk))
        {
            error = "cannot read state file " + options.statePath;
            return false;
        }
        // Anything but a saved bank would be ignored by the processor, and the render would
        // silently use other settings.
        if (chunk.getSize() > static_cast<size_t>(std::numeric_limits<int>::max())
            || !plugin::holdsBank(chunk.getData(), static_cast<int>(chunk.getSize())))
        {
            error = options.statePath + " is not a saved RAVLIN Preamp state";
            return false;
        }
        processor.setStateInformation(chunk.getData(), static_cast<int>(chunk.getSize()));
    }
    if (options.program >= 0)
    {
        if (options.program >= processor.getNumPrograms())
        {
            error = "--program " + std::to_string(options.program + 1) + " is beyond the "
                    + std::to_string(processor.getNumPrograms()) + " programs";
            return false;
        }
        processor.setCurrentProgram(options.program);
    }
    for (const auto& s : options.settings)
        processor.setParameter(findParameter(s.name), s.value);
    return true;
}

bool RenderSession::render(const RenderOptions& options, RenderSummary& summary, std::string& error,
                           const Progress& progress)
{
    juce::AudioBuffer<float> input;
    double rate = 0.0;
    if (!loadInput(options, input, rate, error))
        return false;
    const int channels = input.getNumChannels();
    const int total = input.getNumSamples();

    const juce::File outFile = resolve(options.outputPath);
    if (outFile.isDirectory())
    {
        error = "cannot write " + options.outputPath + ": it is a folder";
        return false;
    }
    auto outFormat = outputFormatFor(outFile);
    if (outFormat.format == nullptr)
    {
        error = "cannot write " + options.outputPath + ": unknown output format (use .wav, .flac or .aiff)";
        return false;
    }
    if (!outFile.getParentDirectory().isDirectory())
    {
        error = "cannot write " + options.outputPath + ": folder "
                + toStd(outFile.getParentDirectory().getFullPathName()) + " does not exist";
        return false;
    }

    // The host side: channel layout and rate first, so every reconfiguration below sees them.
    processor.setPlayConfigDetails(channels, channels, rate, options.blockSize);
    if (processor.getTotalNumInputChannels() != channels || processor.getTotalNumOutputChannels() != channels)
    {
        error = "the processor does not accept " + std::to_string(channels) + " input channel(s)";
        return false;
    }
    processor.prepareToPlay(rate, options.blockSize);

    juce::File modelDir;
    if (!options.modelDirectory.empty())
    {
        modelDir = resolve(options.modelDirectory);
        if (hooks.setModelDirectory)
            hooks.setModelDirectory(modelDir);
    }
    else if (hooks.defaultModelDirectory)
        modelDir = hooks.defaultModelDirectory();
    if (!configure(options, error))
        return false;

    // The files the next reconfiguration reads: name the first one missing.
    const plugin::StoredValues stored = storedValues(processor);
    const int valveSet = plugin::valveSet(stored);
    const int factor = 1 << plugin::factorCode(stored);
    const auto effectiveRate = static_cast<long>(rate) * factor;
    if (!modelDir.isDirectory())
    {
        error = "model folder " + toStd(modelDir.getFullPathName())
                + " does not exist (the model data comes with the source in models/; or pass --models DIR)";
        return false;
    }
    // prepareToPlay only records the rate; a full reconfiguration makes the models follow it.
    processor.setCurrentProgram(processor.getCurrentProgram());
    // Every file that could not be used, with the reason: a render on the wrong model data (or
    // on none) must not pass for a good one.
    if (hooks.modelFileFailures)
        if (const auto failures = hooks.modelFileFailures(); !failures.empty())
        {
            error = "the model data in " + toStd(modelDir.getFullPathName()) + " cannot be used for the "
                    + (valveSet == 1 ? "Aged" : "Fresh") + " valve set at " + std::to_string(effectiveRate)
                    + " Hz; no output written:\n" + plugin::listFailures(failures);
            while (!error.empty() && error.back() == '\n')
                error.pop_back();
            return false;
        }

    // Output goes to a hidden sibling first and replaces the target only when complete.
    const juce::File partial = outFile.getSiblingFile("." + outFile.getFileName() + ".partial");
    partial.deleteFile();
    auto stream = std::make_unique<juce::FileOutputStream>(partial);
    if (!stream->openedOk())
    {
        error = "cannot write " + options.outputPath + ": " + toStd(stream->getStatus().getErrorMessage());
        return false;
    }
    std::unique_ptr<juce::AudioFormatWriter> writer(
        outFormat.format->createWriterFor(stream.get(), rate, static_cast<unsigned>(channels), outFormat.bits, {}, 0));
    if (writer == nullptr)
    {
        stream.reset();
        partial.deleteFile();
        error = "cannot write " + options.outputPath + ": the format does not take " + std::to_string(channels)
                + " channel(s) at " + std::to_string(static_cast<long>(rate)) + " Hz";
        return false;
    }
    stream.release(); // owned by the writer now
    auto fail = [&](const std::string& message) {
        writer.reset();
        partial.deleteFile();
        processor.releaseResources();
        error = message;
        return false;
    };

    juce::AudioBuffer<float> blockBuffer(channels, options.blockSize);
    juce::MidiBuffer midi;
    ProgressBar bar(!options.quiet && !progress);
    double busySeconds = 0.0, peak = 0.0, energy = 0.0;
    for (int pos = 0; pos < total; pos += options.blockSize)
    {
        const int n = std::min(options.blockSize, total - pos);
        juce::AudioBuffer<float> block(blockBuffer.getArrayOfWritePointers(), channels, n);
        for (int c = 0; c < channels; ++c)
            block.copyFrom(c, 0, input, c, pos, n);
        const auto start = std::chrono::steady_clock::now();
        {
            // As the plug-in wrapper does around every audio callback.
            const juce::ScopedLock lock(processor.getCallbackLock());
            processor.processBlock(block, midi);
        }
        busySeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        for (int c = 0; c < channels; ++c)
        {
            const float* y = block.getReadPointer(c);
            for (int k = 0; k < n; ++k)
            {
                if (!std::isfinite(y[k]))
                    return fail("the processor produced a non-finite sample at " + std::to_string((pos + k) / rate)
                                + " s; no output written");
                peak = std::max(peak, static_cast<double>(std::abs(y[k])));
                energy += static_cast<double>(y[k]) * y[k];
            }
        }
        if (!writer->writeFromAudioSampleBuffer(block, 0, n))
            return fail("writing " + options.outputPath + " failed (disk full?)");
        if (progress)
            progress(pos + n, total);
        else
            bar.update(pos + n, total);
    }
    bar.finish();
    processor.releaseResources();
    writer.reset(); // completes the header and closes the file
    if (partial.getSize() <= 44 || !partial.moveFileTo(outFile))
    {
        partial.deleteFile();
        error = "cannot write " + options.outputPath + ": finishing the file failed";
        return false;
    }

    summary.outputPath = toStd(outFile.getFullPathName());
    summary.samples = total;
    summary.sampleRate = rate;
    summary.channels = channels;
    summary.seconds = total / rate;
    summary.peakDb = toDb(peak);
    summary.rmsDb = toDb(std::sqrt(energy / (static_cast<double>(total) * channels)));
    summary.realtimeFactor = busySeconds > 0.0 ? summary.seconds / busySeconds : HUGE_VAL;
    summary.modelFolder = toStd(modelDir.getFullPathName());
    const bool stereo = plugin::stereoRequested(stored) && channels >= 2;
    summary.sampleLoop = sampleLoopName(stereo, factor);
    summary.program = std::to_string(processor.getCurrentProgram() + 1) + " \""
                      + toStd(processor.getProgramName(processor.getCurrentProgram())) + "\"";
    summary.input = options.inputPath.empty() ? "built-in DI guitar riff" : options.inputPath;
    return true;
}

std::string RenderSession::listing()
{
    std::string out = "Parameters (set with --set NAME=VALUE, VALUE in 0..1):\n";
    char line[256];
    for (int i = 0; i < processor.getNumParameters(); ++i)
    {
        std::snprintf(line, sizeof line, "  %-14s = %-6.4g  %s\n", toStd(processor.getParameterName(i)).c_str(),
                      static_cast<double>(processor.getParameter(i)), toStd(processor.getParameterText(i)).c_str());
        out += line;
    }
    out += "Value texts:\n";
    for (int i = 0; i < processor.getNumParameters(); ++i)
    {
        // Switches and steps list every text; continuous ones show both ends and the middle.
        const std::string name = toStd(processor.getParameterName(i));
        const int steps = plugin::parameterKind(i) == plugin::ParameterKind::onOff ? 2
                          : i == plugin::oversampling                              ? 5
                                                                                   : 3;
        const float saved = processor.getParameter(i);
        std::string texts;
        for (int k = 0; k < steps; ++k)
        {
            const float x = static_cast<float>(k) / static_cast<float>(steps - 1);
            processor.setParameter(i, x);
            std::snprintf(line, sizeof line, "%s%.4g -> \"%s\"", k ? ", " : "", static_cast<double>(x),
                          toStd(processor.getParameterText(i)).c_str());
            texts += line;
        }
        processor.setParameter(i, saved);
        out += "  " + name + ": " + texts + "\n";
    }
    out += "Programs (select with --program N):\n";
    for (int p = 0; p < processor.getNumPrograms(); ++p)
    {
        std::snprintf(line, sizeof line, "  %2d  %s\n", p + 1, toStd(processor.getProgramName(p)).c_str());
        out += line;
    }
    return out;
}

std::string formatSummary(const RenderSummary& s)
{
    char text[2048];
    std::snprintf(text, sizeof text,
                  "ravlin-render: wrote %s\n"
                  "  input          %s\n"
                  "  duration       %.2f s (%lld samples at %.0f Hz, %d channel%s)\n"
                  "  peak           %.1f dBFS\n"
                  "  RMS            %.1f dBFS\n"
                  "  real-time      %.1fx (processing time only)\n"
                  "  model folder   %s\n"
                  "  sample loop    %s\n"
                  "  program        %s\n",
                  s.outputPath.c_str(), s.input.c_str(), s.seconds, s.samples, s.sampleRate, s.channels,
                  s.channels == 1 ? "" : "s", s.peakDb, s.rmsDb, s.realtimeFactor, s.modelFolder.c_str(),
                  s.sampleLoop.c_str(), s.program.c_str());
    return text;
}

} // namespace ravlin::render
