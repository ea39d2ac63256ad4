#include "package_reference.h"

#include "crash_inbox/intake/mail_reader.h"
#include "crash_inbox/text/printable.h"
#include "orrery_core/platform/regular_file.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QRegularExpression>

QFile* PackageFileHolder::open(const QString& file, QString& error)
{
    if (!QFileInfo::exists(file) && !isMailLocator(file)) {
        error = QStringLiteral("%1 does not exist").arg(file);
        return nullptr;
    }
    return openPlace({file, {}, {}, std::nullopt}, error);
}

QFile* PackageFileHolder::openPlace(const PackagePlace& place, QString& error)
{
    m_place = place.file;
    QString path = place.file;
    if (isMailLocator(place.file)) {
        m_folder = std::make_unique<QTemporaryDir>();
        if (!m_folder->isValid()) {
            error = QStringLiteral("the package in %1 cannot be taken out of its mail: no "
                                   "temporary folder can be made (%2)")
                        .arg(place.file, m_folder->errorString());
            return nullptr;
        }
        path = m_folder->filePath(QStringLiteral("package.cdp"));
        if (!saveMailPackage(place.file, path, place.mailOffset, error))
            return nullptr;
    }
    bool notRegular = false;
    m_file = Orrery::Platform::openRegularFile(path, error, notRegular);
    if (!m_file) {
        error = notRegular ? QStringLiteral("%1 is not a regular file").arg(place.file)
                           : QStringLiteral("%1 cannot be read (%2)").arg(place.file, error);
        return nullptr;
    }
    return m_file.get();
}

QFile* PackageFileHolder::openFiled(const QList<PackagePlace>& places, const QByteArray& sha256,
                                    QString& error)
{
    QStringList found;
    for (const PackagePlace& place : places) {
        QString problem;
        QFile* file = openPlace(place, problem);
        if (!file) {
            found << problem;
            continue;
        }
        QCryptographicHash hash(QCryptographicHash::Sha256);
        if (!hash.addData(file) || !file->seek(0)) {
            found << QStringLiteral("%1 cannot be read to its end").arg(place.file);
            continue;
        }
        if (hash.result().toHex() == sha256)
            return file;
        found << QStringLiteral("%1 holds other content now").arg(place.file);
    }
    m_file.reset();
    error = QStringLiteral("the package is at none of its places: %1")
                .arg(found.join(QStringLiteral("; ")));
    return nullptr;
}

bool isPackageId(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    return digits.match(text).hasMatch();
}
