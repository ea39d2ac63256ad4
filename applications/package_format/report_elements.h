#pragma once

#include "q5_suite/suite_identity.h"

#include <QString>

// The elements of report.xml, as writer and reader both know them. The root is in the product's
// namespace; the elements inside are in none.
namespace ReportElements {

inline constexpr char Root[] = "CrashReport";
inline constexpr char Date[] = "Date";
inline constexpr char Time[] = "Time";
inline constexpr char Application[] = "ApplicationInfo";
inline constexpr char Device[] = "Device";
inline constexpr char Serial[] = "Serial";
inline constexpr char Version[] = "Version";
inline constexpr char Platform[] = "Platform";
inline constexpr char OutputLog[] = "OutputLog";
inline constexpr char Entry[] = "Entry";
inline constexpr char Comments[] = "Comments";

inline constexpr char DateFormat[] = "dd/MM/yyyy";
inline constexpr char TimeFormat[] = "hh:mm:ss";

inline QString namespaceUri()
{
    return QString::fromLatin1(Suite::ProductDomain);
}

} // namespace ReportElements
