#pragma once

namespace Tessera::Platform {

// Chooses the display platforms for the application about to be made: the ones the user named,
// or else those the desktop's environment names, then "offscreen" last, so that a display that
// is missing or does not answer leaves the application running (and able to say so) instead of
// aborting it. Call before the application object exists.
void chooseDisplayPlatforms();

} // namespace Tessera::Platform
