#include "package_file.h"

#include "crash_reporter/package/platform/file_placement.h"

#include <QFileInfo>

PackageFile::PackageFile(const QString& target)
    : m_target(target)
{}

bool PackageFile::open()
{
    m_file = CrashReporter::Platform::createPackageFile(QFileInfo(m_target).absolutePath());
    return m_file != nullptr;
}

std::optional<CrashReporter::Platform::FileIdentity> PackageFile::identity()
{
    return m_file ? CrashReporter::Platform::identityOf(*m_file) : std::nullopt;
}

PackageResult PackageFile::place(PackageTarget mode,
                                 const std::optional<CrashReporter::Platform::FileIdentity>& own)
{
    if (!m_file || m_file->error() != QFileDevice::NoError)
        return PackageResult::Failed;
    const CrashReporter::Platform::PlaceMode placing =
        mode == PackageTarget::Replace      ? CrashReporter::Platform::PlaceMode::Replace
        : mode == PackageTarget::ReplaceOwn ? CrashReporter::Platform::PlaceMode::ReplaceOwn
                                            : CrashReporter::Platform::PlaceMode::CreateNew;
    switch (CrashReporter::Platform::placeFile(*m_file, m_target, placing, own)) {
    case CrashReporter::Platform::Placement::Placed:
        return PackageResult::Written;
    case CrashReporter::Platform::Placement::NameTaken:
        return PackageResult::TargetExists;
    case CrashReporter::Platform::Placement::Failed:
        break;
    }
    return PackageResult::Failed;
}
