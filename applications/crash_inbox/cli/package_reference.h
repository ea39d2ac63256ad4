#pragma once

#include "crash_inbox/store/package_places.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <optional>

// A package's bytes, open for reading: its file, or for one that came by mail its attachment
// saved into a temporary folder, which lives as long as the holder.
class PackageFileHolder
{
public:
    // A package file given by name. Null with the reason when it cannot be read.
    QFile* open(const QString& file, QString& error);
    // A filed package at the first of its places that still holds the content filed (the
    // SHA-256 is checked): a file replaced meanwhile, or an mbox whose earlier messages were
    // removed, is never taken for it. Null with what each place holds instead.
    QFile* openFiled(const QList<PackagePlace>& places, const QByteArray& sha256, QString& error);
    // Where the open package was found.
    QString place() const { return m_place; }

private:
    QFile* openPlace(const PackagePlace& place, QString& error);

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<QFile> m_file;
    QString m_place;
};

// "ID|FILE": digits name a filed package.
bool isPackageId(const QString& text);
