// Preloaded into the reporter (LD_PRELOAD), this makes its start as slow as a loaded machine may:
// a test can then signal it while it is still being loaded, before main.
#include <ctime>

namespace {

[[gnu::constructor]] void startSlowly()
{
    timespec left{0, 600 * 1000 * 1000};
    while (nanosleep(&left, &left) != 0) {
    }
}

} // namespace
