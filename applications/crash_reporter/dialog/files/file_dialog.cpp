#include "file_dialog.h"

#include "file_widget.h"

#include <QVBoxLayout>

FileDialog::FileDialog(QWidget* parent)
    : Tessera::Dialog(parent)
{
    m_fileWidget = new FileWidget(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_fileWidget);
    connect(m_fileWidget, &FileWidget::confirm, this, &QDialog::accept);
    connect(m_fileWidget, &FileWidget::cancel, this, &QDialog::reject);
    setDefaultSize(QSize(680, 460), Tessera::DefaultSizeMode::Exact);
}
