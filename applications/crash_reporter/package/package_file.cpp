#include "package_file.h"

#include "platform/file_placement.h"

#include <QFileInfo>

PackageFile::PackageFile(const QString& target)
    : m_target(target)
{}

bool PackageFile::open()
{
    m_file = Platform::createPackageFile(QFileInfo(m_target).absolutePath());
    return m_file != nullptr;
}

PackageResult PackageFile::place(PackageTarget mode)
{
    if (!m_file || m_file->error() != QFileDevice::NoError)
        return PackageResult::Failed;
    switch (Platform::placeFile(*m_file, m_target, mode == PackageTarget::Replace)) {
    case Platform::Placement::Placed:
        return PackageResult::Written;
    case Platform::Placement::NameTaken:
        return PackageResult::TargetExists;
    case Platform::Placement::Failed:
        break;
    }
    return PackageResult::Failed;
}
