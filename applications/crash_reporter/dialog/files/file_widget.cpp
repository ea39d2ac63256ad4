#include "file_widget.h"

#include "file_dialog_as_widget.h"

#include <QCoreApplication>
#include <QVBoxLayout>

namespace {

struct ModeSetUp {
    QFileDialog::FileMode fileMode;
    bool directoriesOnly;
    QFileDialog::AcceptMode acceptMode;
    const char* acceptText;
};

// Indexed by FileWidget::Mode.
const ModeSetUp SetUps[] = {
    {QFileDialog::AnyFile, false, QFileDialog::AcceptSave,
     QT_TRANSLATE_NOOP("FileWidget", "Create")},
    {QFileDialog::ExistingFile, false, QFileDialog::AcceptOpen,
     QT_TRANSLATE_NOOP("FileWidget", "Load")},
    {QFileDialog::AnyFile, false, QFileDialog::AcceptSave,
     QT_TRANSLATE_NOOP("FileWidget", "Save As")},
    {QFileDialog::AnyFile, false, QFileDialog::AcceptSave,
     QT_TRANSLATE_NOOP("FileWidget", "Backup")},
    {QFileDialog::Directory, true, QFileDialog::AcceptSave, QT_TRANSLATE_NOOP("FileWidget", "OK")},
};

} // namespace

FileWidget::FileWidget(QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags)
{
    m_fileDialog = new FileDialogAsWidget(this);
    connect(m_fileDialog, &QFileDialog::accepted, this, &FileWidget::confirm);
    connect(m_fileDialog, &QFileDialog::rejected, this, &FileWidget::cancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_fileDialog);
    m_mode = Folder; // so that the set-up below is applied
    setMode(Create);
}

void FileWidget::setMode(Mode mode)
{
    if (mode > Folder || mode == m_mode)
        return;
    m_mode = mode;
    const ModeSetUp& setUp = SetUps[mode];
    m_fileDialog->setFileMode(setUp.fileMode);
    m_fileDialog->setOption(QFileDialog::ShowDirsOnly, setUp.directoriesOnly);
    m_fileDialog->setAcceptMode(setUp.acceptMode);
    m_fileDialog->setLabelText(QFileDialog::Accept,
                               QCoreApplication::translate("FileWidget", setUp.acceptText));
}
