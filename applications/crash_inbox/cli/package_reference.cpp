#include "package_reference.h"

#include "intake/mail_reader.h"

#include <QFileInfo>
#include <QRegularExpression>

std::optional<QString> PackageFileHolder::open(const QString& file, QString& error)
{
    if (!isMailLocator(file)) {
        if (QFileInfo::exists(file))
            return file;
        error = QStringLiteral("%1 is not there any more").arg(file);
        return std::nullopt;
    }
    m_folder = std::make_unique<QTemporaryDir>();
    const QString path = m_folder->filePath(QStringLiteral("package.cdp"));
    if (!m_folder->isValid() || !saveMailPackage(file, path, error))
        return std::nullopt;
    return path;
}

bool isPackageId(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    return digits.match(text).hasMatch();
}
