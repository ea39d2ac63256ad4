#pragma once

#include "version.h"

#include <QString>

namespace Orrery {

// What names a program and its build: what a toolkit shows of the application built on it,
// given by the application, so the toolkit knows no application of its own.
struct ApplicationDescription {
    QString organisationName;
    QString organisationDomain;
    QString applicationName;
    Orrery::Version version;
    // The splash's revision and rights lines.
    QString legalName;
    QString buildCommit;
    // The compiler's forms: "Dec  8 2026" and "18:30:00".
    QString buildDate;
    QString buildTime;
};

} // namespace Orrery
