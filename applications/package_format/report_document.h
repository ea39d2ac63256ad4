#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>

#include <optional>

// What one report.xml holds: the crash's date and time, the failed controller's facts, its last
// output lines and the operator's comments. A null date or time is written as an empty element
// and read back as null.
struct ReportDocument {
    struct Application {
        std::optional<QString> device; // the product model's name; absent when unknown
        QString serial;
        QString version;
        QString platform;

        bool operator==(const Application&) const = default;
    };

    QDate date;
    QTime time;
    // What the report gave where it is no date or time (such as 31/02/2026); empty otherwise.
    QString unreadDate;
    QString unreadTime;
    // Absent when the reporter had no record of the controller.
    std::optional<Application> application;
    QStringList outputLog;
    QString comments;

    bool operator==(const ReportDocument&) const = default;
};
