#pragma once

#include <QString>

#include <optional>
#include <tuple>

// A controller version as reports write it ("6.4.1", "6.4.1.BETA2", "6.4 RC3"), in the order of
// releases: by its numbers, then by build type (debug, beta, release candidate, release), then
// by build number.
class VersionOrder
{
public:
    // None for a text that is no such version.
    static std::optional<VersionOrder> parse(const QString& text);

    auto operator<=>(const VersionOrder&) const = default;

private:
    enum class BuildType { Debug, Beta, ReleaseCandidate, Release };

    std::tuple<int, int, int, BuildType, int> m_key;
};

// Whether a crash from `version` comes from a version at or above `fixedIn`; false when either
// cannot be read as a version.
bool isAtOrAbove(const QString& version, const QString& fixedIn);
