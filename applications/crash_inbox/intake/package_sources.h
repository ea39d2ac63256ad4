#pragma once

#include <QList>
#include <QString>

// Where packages come from: a package file, or a mail file whose .cdp attachments are packages
// (an mbox holds many messages, a Maildir's message file one).
struct PackageSource {
    enum class Kind { Package, Mbox, Message, Missing };

    Kind kind = Kind::Package;
    QString path;
};

// What the paths name: files as they are, folders searched through for *.cdp (links to folders
// are not followed), and Maildir folders (cur/ and new/) message by message. A file is a
// package when it starts like gzip, an mbox when it starts with "From ", and a message else.
QList<PackageSource> packageSources(const QStringList& paths);
