#pragma once
// The tools' command lines, read with CLI11 the same way everywhere: --help (and -h) prints the
// usage on stdout and exits 0; an unknown option, a missing or malformed value or a missing
// argument prints one line on stderr, "TOOL: what is wrong (see TOOL --help)", and exits 2.
#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ravlin::cli {
/** Parses `argv` into `app`. Nothing when the tool goes on; otherwise the exit code to return. */
inline std::optional<int> parse(CLI::App& app, int argc, const char* const* argv)
{
    try
    {
        app.parse(argc, argv);
        return std::nullopt;
    }
    catch (const CLI::CallForHelp&)
    {
        std::fputs(app.help().c_str(), stdout);
        return 0;
    }
    catch (const CLI::ParseError& e)
    {
        // An argument the tool does not know is the first thing to say, even when it also left
        // something missing (a word taken for an unknown command, say).
        std::string what = e.what();
        const std::vector<std::string> extras = app.remaining();
        if (!extras.empty())
        {
            const std::string& extra = extras.front();
            what = (extra.size() > 1 && extra[0] == '-' ? "unknown option " : "unexpected argument ") + extra;
        }
        for (char& c : what)
            if (c == '\n')
                c = ' ';
        std::fprintf(stderr, "%s: %s (see %s --help)\n", app.get_name().c_str(), what.c_str(), app.get_name().c_str());
        return 2;
    }
}

/** `v` in %g notation, for messages. */
inline std::string shortNumber(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

/** A finite number from `lowest` to `highest` (NaN and infinities are refused). */
inline CLI::Validator finiteIn(double lowest, double highest)
{
    return CLI::Validator(
        [lowest, highest](std::string& text) -> std::string {
            double v = 0.0;
            if (!CLI::detail::lexical_cast(text, v) || !std::isfinite(v) || v < lowest || v > highest)
                return "'" + text + "' is not a number from " + shortNumber(lowest) + " to " + shortNumber(highest);
            return {};
        },
        "NUMBER");
}

/** A whole number from `lowest` to `highest`. */
inline CLI::Validator wholeIn(long long lowest, long long highest)
{
    return CLI::Validator(
        [lowest, highest](std::string& text) -> std::string {
            long long v = 0;
            if (!CLI::detail::lexical_cast(text, v) || v < lowest || v > highest)
                return "'" + text + "' is not a whole number from " + std::to_string(lowest) + " to "
                       + std::to_string(highest);
            return {};
        },
        "N");
}

/** A finite number above 0 and at most `highest`. */
inline CLI::Validator finitePositive(double highest = 1e300)
{
    return CLI::Validator(
        [highest](std::string& text) -> std::string {
            double v = 0.0;
            if (!CLI::detail::lexical_cast(text, v) || !std::isfinite(v) || !(v > 0.0) || v > highest)
                return "'" + text + "' is not a positive number";
            return {};
        },
        "POSITIVE");
}
/** A control setting "SYMBOL=NUMBER", split (the text has passed `symbolEqualsNumber`). */
inline std::pair<std::string, float> symbolAndValue(const std::string& text)
{
    const auto eq = text.find('=');
    double v = 0.0;
    CLI::detail::lexical_cast(text.substr(eq + 1), v);
    return {text.substr(0, eq), static_cast<float>(v)};
}

/** "SYMBOL=NUMBER" with a name before the '=' and a finite number after it. */
inline CLI::Validator symbolEqualsNumber()
{
    return CLI::Validator(
        [](std::string& text) -> std::string {
            const auto eq = text.find('=');
            double v = 0.0;
            if (eq == std::string::npos || eq == 0 || !CLI::detail::lexical_cast(text.substr(eq + 1), v)
                || !std::isfinite(v))
                return "'" + text + "' is not SYMBOL=NUMBER";
            return {};
        },
        "SYMBOL=NUMBER");
}
} // namespace ravlin::cli
