#pragma once

// Makes sure the reporter can start its GUI object where no desktop is reachable, so that the
// automatic path still saves the crash package. Call before the application object exists.
void prepareDisplayEnvironment();
