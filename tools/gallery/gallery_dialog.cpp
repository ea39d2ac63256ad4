#include "gallery_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

constexpr QSize DefaultSize(560, 460);

} // namespace

GalleryDialog::GalleryDialog(QWidget* parent)
    : TranslatableWidget(parent,
                         Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint)
{
    m_inputs = new QGroupBox(this);
    m_lineEdit = new QLineEdit(m_inputs);
    m_checkBox = new QCheckBox(m_inputs);
    m_checkBox->setChecked(true);
    m_comboBox = new QComboBox(m_inputs);
    auto* inputLayout = new QVBoxLayout(m_inputs);
    inputLayout->addWidget(m_lineEdit);
    inputLayout->addWidget(m_checkBox);
    inputLayout->addWidget(m_comboBox);

    m_textEdit = new QPlainTextEdit(this);
    m_scrollArea = new QScrollArea(this);
    auto* longLabel = new QLabel(m_scrollArea);
    longLabel->setObjectName(QStringLiteral("scrolledLabel"));
    m_scrollArea->setWidget(longLabel);
    m_scrollArea->setWidgetResizable(true);

    auto* buttons = new QDialogButtonBox(this);
    m_defaultButton = buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
    m_defaultButton->setDefault(true);
    m_disabledButton = buttons->addButton(QString(), QDialogButtonBox::ActionRole);
    m_disabledButton->setEnabled(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_inputs);
    layout->addWidget(m_textEdit, 1);
    layout->addWidget(m_scrollArea, 1);
    layout->addWidget(buttons);
    setDefaultSize(DefaultSize);
}

void GalleryDialog::retranslateUi()
{
    setWindowTitle(tr("Tessera Gallery"));
    m_inputs->setTitle(tr("Inputs"));
    m_lineEdit->setPlaceholderText(tr("Type here"));
    m_checkBox->setText(tr("A check box"));
    m_comboBox->clear();
    m_comboBox->addItems({tr("First choice"), tr("Second choice")});
    m_textEdit->setPlainText(tr("A plain text editor.\nIt holds a few lines."));
    QStringList lines;
    for (int line = 1; line <= 30; ++line)
        lines << tr("Line %1 of a scroll area").arg(line);
    findChild<QLabel*>(QStringLiteral("scrolledLabel"))->setText(lines.join(QLatin1Char('\n')));
    m_defaultButton->setText(tr("Close"));
    m_disabledButton->setText(tr("Disabled"));
}
