#include "version.h"

namespace Orrery {
namespace {

const char* buildTypeTag(Version::BuildType type)
{
    switch (type) {
    case Version::BuildType::ReleaseCandidate:
        return "RC";
    case Version::BuildType::Beta:
        return "BETA";
    case Version::BuildType::Debug:
        return "DEBUG";
    case Version::BuildType::Release:
        break;
    }
    return "";
}

} // namespace

template <>
std::string versionString<std::string>(const Version& version, bool full)
{
    std::string text = std::to_string(version.major) + '.' + std::to_string(version.minor);
    if (full || version.patch != 0)
        text += '.' + std::to_string(version.patch);
    if (version.buildType() != Version::BuildType::Release) {
        text += full ? '.' : ' ';
        text += buildTypeTag(version.buildType());
        text += std::to_string(version.buildNumber());
    }
    return text;
}

template <>
QString versionString<QString>(const Version& version, bool full)
{
    return QString::fromStdString(versionString<std::string>(version, full));
}

} // namespace Orrery
