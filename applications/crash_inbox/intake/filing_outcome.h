#pragma once

#include <QString>
#include <QtGlobal>

// What became of one package offered for filing.
struct FilingOutcome {
    // Updated: the same crash, sent again, took the place of the package it replaces.
    enum class Kind { Added, Known, Updated, Rejected };

    Kind kind = Kind::Rejected;
    // The filed package's; 0 when it was rejected.
    qint64 id = 0;
    // The file, or a mail attachment's locator.
    QString path;
    // Why it was rejected.
    QString reason;

    bool operator==(const FilingOutcome&) const = default;
    // "added", "known", "updated" or "rejected", as the desk says it.
    const char* word() const
    {
        switch (kind) {
        case Kind::Added:
            return "added";
        case Kind::Known:
            return "known";
        case Kind::Updated:
            return "updated";
        case Kind::Rejected:
            break;
        }
        return "rejected";
    }
};

// Hears, package by package, what a filing run does, and how far it got.
class FilingListener
{
public:
    virtual ~FilingListener() = default;
    virtual void filed(const FilingOutcome& outcome) = 0;
    // How many of the expected sources are done, now and then during a long run.
    virtual void progressed(qsizetype done, qsizetype expected)
    {
        Q_UNUSED(done);
        Q_UNUSED(expected);
    }
};
