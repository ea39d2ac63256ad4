#include "file_dialog_as_widget.h"

FileDialogAsWidget::FileDialogAsWidget(QWidget* parent)
    : QFileDialog(parent)
{
    setWindowFlags(Qt::Widget);
    setModal(false);
}

// Unlike QDialog::done, the chooser is neither hidden nor closed.
void FileDialogAsWidget::done(int result)
{
    setResult(result);
    Q_EMIT finished(result);
    if (result == QDialog::Accepted)
        Q_EMIT accepted();
    else if (result == QDialog::Rejected)
        Q_EMIT rejected();
}
