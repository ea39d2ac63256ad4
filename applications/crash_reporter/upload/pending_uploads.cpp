#include "pending_uploads.h"

#include "crash_reporter/package/package_limits.h"
#include "upload_queue.h"
#include "upload_sender.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>

namespace {

// A controller may call this at its start: it never holds it longer.
constexpr std::chrono::milliseconds LongestRun{60000};

} // namespace

int sendPendingPackages(char* argv[])
{
    // Qt is shown the program's name alone, as in an episode.
    int qtArgc = 1;
    QCoreApplication application(qtArgc, argv);
    QString problem;
    const UploadSettings settings = UploadSettings::load(problem);
    if (!problem.isEmpty())
        std::fprintf(stderr, "q5-crash-reporter: %s\n", qUtf8Printable(problem));
    if (!settings.isConfigured()) {
        std::printf("sending is not set up\n");
        return 0;
    }
    UploadQueue queue(UploadQueue::defaultIndexPath(), PackageLimits::fromEnvironment().count);
    UploadSender sender(settings, queue);
    sender.sendWaiting(true);
    sender.finish(LongestRun);
    std::printf("sent %d, waiting %lld\n", sender.sentCount(),
                static_cast<long long>(queue.waiting().size()));
    return 0;
}
