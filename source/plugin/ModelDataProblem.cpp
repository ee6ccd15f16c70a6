#include "plugin/ModelDataProblem.h"

#include <sys/stat.h>

namespace ravlin::plugin {
namespace {
bool isFolder(const std::string& path)
{
    struct stat info = {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool exists(const std::string& path)
{
    struct stat info = {};
    return ::stat(path.c_str(), &info) == 0;
}

std::string parentOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
}

std::string fileNameOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
} // namespace

std::string failureReason(const std::string& path, const std::string& loaderMessage)
{
    if (!exists(path))
        return isFolder(parentOf(path)) ? "missing" : "missing (the model folder does not exist)";
    if (isFolder(path))
        return "is a folder, not a model data file";
    return loaderMessage.empty() ? "unreadable" : "damaged: " + loaderMessage;
}

std::string modelDataNotice(const std::string& folder, const std::vector<ModelFileFailure>& failures)
{
    if (failures.empty())
        return {};
    const ModelFileFailure& first = failures.front();
    std::string text = "Model data missing or damaged\n";
    text += "Folder: " + folder + "\n";
    text += "File: " + fileNameOf(first.path) + " (" + first.reason + ")";
    if (failures.size() > 1)
        text += " and " + std::to_string(failures.size() - 1) + " more";
    text += "\nThe preamp keeps its previous model data, or stays silent if it has none. "
            "Copy the complete model folder beside the plug-in.";
    return text;
}

std::string listFailures(const std::vector<ModelFileFailure>& failures)
{
    std::string out;
    for (const auto& f : failures)
        out += f.path + ": " + f.reason + "\n";
    return out;
}
} // namespace ravlin::plugin
