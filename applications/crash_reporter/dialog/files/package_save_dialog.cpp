#include "package_save_dialog.h"

#include "crash_reporter/package/crash_package.h"

#include <QFileInfo>

PackageSaveDialog::PackageSaveDialog(QWidget* parent, const QString& caption, const QString& folder)
    : QFileDialog(parent, caption, folder)
{
    // Only our own dialog lets the name be completed before the question.
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
}

QString PackageSaveDialog::getPackageName(QWidget* parent, const QString& caption,
                                          const QString& folder)
{
    PackageSaveDialog dialog(parent, caption, folder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return withPackageExtension(dialog.selectedFiles().constFirst());
}

void PackageSaveDialog::accept()
{
    const QStringList files = selectedFiles();
    // A folder's name opens the folder, as in any save dialog.
    if (files.size() == 1 && !QFileInfo(files.constFirst()).isDir()) {
        const QString package = withPackageExtension(files.constFirst());
        if (package != files.constFirst()) {
            // The name field takes a selected file only while it does not have the focus.
            QWidget* focus = focusWidget();
            if (focus)
                focus->clearFocus();
            selectFile(package);
            if (focus)
                focus->setFocus();
        }
    }
    QFileDialog::accept();
}
