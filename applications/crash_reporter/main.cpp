#include "crash_reporter/app/log_file_sink.h"
#include "crash_reporter/app/platform/process_environment.h"
#include "crash_reporter/app/q5_crash_reporter_application.h"
#include "crash_reporter/upload/pending_uploads.h"

#include <cstring>

int main(int argc, char* argv[])
{
    CrashReporter::Platform::prepareProcessEnvironment();
    const LogFileSink logSink;
    // Whatever happens, the controller's side sees exit status 0.
    try {
        if (argc == 2 && std::strcmp(argv[1], "--send-pending") == 0)
            return sendPendingPackages(argv);
        Q5CrashReporterApplication application(argc, argv);
        return Q5CrashReporterApplication::exec();
    } catch (...) {
        return 0;
    }
}
