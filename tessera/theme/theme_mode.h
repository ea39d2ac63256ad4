#pragma once

#include <cstdint>

// How an application looks: follow the operating system, or a fixed dark or light theme.
// A resolved mode is Dark or Light.
enum class ThemeMode : std::uint8_t { System = 0, Dark = 1, Light = 2 };
