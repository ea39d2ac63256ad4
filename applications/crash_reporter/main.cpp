#include "channel/crash_channel.h"

#include <QCoreApplication>

#include <iostream>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    InstanceNumber instance;
    if (arguments.size() >= 3)
        instance = arguments.at(2).toLongLong(nullptr, 10);
    const std::optional<CrashRecord> record = readCrashRecord(instance);
    std::cout << "connected" << std::endl;
    return 0;
}
