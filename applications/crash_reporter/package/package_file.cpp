#include "package_file.h"

#include "platform/file_placement.h"

#include <QFileInfo>

namespace {

// Hidden, and not named like a package: nobody takes it for one while it grows.
QString temporaryTemplate(const QString& target)
{
    const QFileInfo info(target);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX");
}

} // namespace

PackageFile::PackageFile(const QString& target)
    : m_target(target)
    , m_file(temporaryTemplate(target))
{}

bool PackageFile::open()
{
    // QTemporaryFile creates the file for its owner alone (0600).
    return m_file.open();
}

PackageResult PackageFile::place(PackageTarget mode)
{
    if (!Platform::syncToDisk(m_file) || m_file.error() != QFileDevice::NoError)
        return PackageResult::Failed;
    m_file.close();
    if (m_file.error() != QFileDevice::NoError)
        return PackageResult::Failed;
    switch (Platform::placeFile(m_file.fileName(), m_target, mode == PackageTarget::Replace)) {
    case Platform::Placement::Placed:
        m_file.setAutoRemove(false);
        return PackageResult::Written;
    case Platform::Placement::NameTaken:
        return PackageResult::TargetExists;
    case Platform::Placement::Failed:
        break;
    }
    return PackageResult::Failed;
}
