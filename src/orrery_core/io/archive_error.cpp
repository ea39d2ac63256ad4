#include "archive_error.h"

#include <QtGlobal>

namespace Orrery {
namespace {

QString kindText(ArchiveError::Kind kind)
{
    switch (kind) {
    case ArchiveError::Kind::None:
        return QStringLiteral("no error");
    case ArchiveError::Kind::InvalidState:
        return QStringLiteral("the archive is not open for this");
    case ArchiveError::Kind::DeviceNotOpen:
        return QStringLiteral("the device is not open");
    case ArchiveError::Kind::DeviceFailed:
        return QStringLiteral("the device failed");
    case ArchiveError::Kind::SourceIncomplete:
        return QStringLiteral("a source ended before the size given for it");
    case ArchiveError::Kind::NotAnArchive:
        return QStringLiteral("it is not a tar archive");
    case ArchiveError::Kind::EndsEarly:
        return QStringLiteral("it ends early");
    case ArchiveError::Kind::Damaged:
        return QStringLiteral("it is damaged");
    case ArchiveError::Kind::WriteFailed:
        return QStringLiteral("the archive cannot be written");
    }
    return {};
}

} // namespace

ArchiveError::ArchiveError(Kind kind, int systemError, QString libraryText)
    : m_kind(kind)
    , m_systemError(systemError)
    , m_libraryText(std::move(libraryText))
{}

QString ArchiveError::errorString() const
{
    QString text = kindText(m_kind);
    if (m_systemError > 0)
        text += QStringLiteral(": ") + qt_error_string(m_systemError);
    if (!m_libraryText.isEmpty())
        text += QStringLiteral(" (") + m_libraryText + QLatin1Char(')');
    return text;
}

} // namespace Orrery
