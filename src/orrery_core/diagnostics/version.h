#pragma once

#include <QString>

#include <cstdint>
#include <string>

namespace Orrery {

struct Version {
    std::uint8_t major = 0;
    std::uint8_t minor = 0;
    std::uint8_t patch = 0;
    // Top two bits: build type; low six bits: build number.
    std::uint8_t build = 0;

    enum class BuildType : std::uint8_t { Release = 0, ReleaseCandidate = 1, Beta = 2, Debug = 3 };

    constexpr BuildType buildType() const { return static_cast<BuildType>(build >> 6); }
    constexpr int buildNumber() const { return build & 0x3F; }

    friend constexpr bool operator==(const Version&, const Version&) = default;
};

// "6.4.0", "6.4.1.BETA2"; without full, a zero patch is left out and the build tag follows a blank.
// versionString<QString>() gives the same text as a QString.
template <typename Text = std::string>
Text versionString(const Version& version, bool full);

template <>
std::string versionString<std::string>(const Version& version, bool full);
template <>
QString versionString<QString>(const Version& version, bool full);

} // namespace Orrery
