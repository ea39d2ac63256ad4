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

std::optional<Platform::FileIdentity> PackageFile::identity()
{
    return m_file ? Platform::identityOf(*m_file) : std::nullopt;
}

PackageResult PackageFile::place(PackageTarget mode,
                                 const std::optional<Platform::FileIdentity>& own)
{
    if (!m_file || m_file->error() != QFileDevice::NoError)
        return PackageResult::Failed;
    const Platform::PlaceMode placing =
        mode == PackageTarget::Replace      ? Platform::PlaceMode::Replace
        : mode == PackageTarget::ReplaceOwn ? Platform::PlaceMode::ReplaceOwn
                                            : Platform::PlaceMode::CreateNew;
    switch (Platform::placeFile(*m_file, m_target, placing, own)) {
    case Platform::Placement::Placed:
        return PackageResult::Written;
    case Platform::Placement::NameTaken:
        return PackageResult::TargetExists;
    case Platform::Placement::Failed:
        break;
    }
    return PackageResult::Failed;
}
