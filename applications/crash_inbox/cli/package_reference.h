#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <optional>

// Where a package's bytes are to be read: its file, or for one that came by mail its attachment
// saved into a temporary folder, which lives as long as the holder.
class PackageFileHolder
{
public:
    // Null with the reason when the package cannot be had any more.
    std::optional<QString> open(const QString& file, QString& error);

private:
    std::unique_ptr<QTemporaryDir> m_folder;
};

// "ID|FILE": digits name a filed package.
bool isPackageId(const QString& text);
