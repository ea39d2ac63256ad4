#pragma once

#include "orrery_core/diagnostics/version.h"
#include "tessera/theme/theme_mode.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <optional>

// What the failed controller tells the reporter about itself through shared memory.
struct CrashRecord {
    Orrery::Version version;
    std::optional<std::uint8_t> productModel;
    QString serialNumber;
    ThemeMode themeMode = ThemeMode::System;
    QString extraFilePath;
    // A present 0 means: no dialog, restart at once.
    std::optional<std::chrono::seconds> autoActionDelay;
};
