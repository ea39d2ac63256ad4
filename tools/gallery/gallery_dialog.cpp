#include "gallery_dialog.h"

#include "tessera/widgets/card_button.h"
#include "tessera/widgets/splash_widget.h"
#include "tessera/widgets/tree_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr QSize DefaultSize(960, 620);

} // namespace

GalleryDialog::GalleryDialog(QWidget* parent)
    : TranslatableWidget(parent,
                         Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint)
{
    auto* columns = new QHBoxLayout;
    columns->addWidget(createButtons());
    columns->addWidget(createInputs());
    columns->addWidget(createViews(), 1);

    auto* box = new QDialogButtonBox(this);
    m_defaultButton = box->addButton(QString(), QDialogButtonBox::AcceptRole);
    m_defaultButton->setDefault(true);
    m_disabledButton = box->addButton(QString(), QDialogButtonBox::ActionRole);
    m_disabledButton->setEnabled(false);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addWidget(box);
    setDefaultSize(DefaultSize);
}

QWidget* GalleryDialog::createButtons()
{
    m_buttons = new QGroupBox(this);
    auto* layout = new QVBoxLayout(m_buttons);
    m_menuButton = new QPushButton(m_buttons);
    m_menu = new QMenu(m_menuButton);
    m_menuButton->setMenu(m_menu);
    m_messageButton = new QPushButton(m_buttons);
    connect(m_messageButton, &QPushButton::clicked, this, &GalleryDialog::openMessageBox);
    m_fileButton = new QPushButton(m_buttons);
    connect(m_fileButton, &QPushButton::clicked, this, &GalleryDialog::openFileDialog);
    m_checkedTool = new QToolButton(m_buttons);
    m_checkedTool->setCheckable(true);
    m_checkedTool->setChecked(true);
    m_tool = new QToolButton(m_buttons);
    m_card = new Tessera::CardButton(style()->standardIcon(QStyle::SP_ArrowRight), m_buttons);
    m_checked = new QCheckBox(m_buttons);
    m_checked->setChecked(true);
    m_unchecked = new QCheckBox(m_buttons);
    m_partial = new QCheckBox(m_buttons);
    m_partial->setTristate(true);
    m_partial->setCheckState(Qt::PartiallyChecked);
    m_radioOn = new QRadioButton(m_buttons);
    m_radioOn->setChecked(true);
    m_radioOff = new QRadioButton(m_buttons);
    auto* tools = new QHBoxLayout;
    tools->addWidget(m_checkedTool);
    tools->addWidget(m_tool);
    for (QWidget* widget :
         std::initializer_list<QWidget*>{m_menuButton, m_messageButton, m_fileButton})
        layout->addWidget(widget);
    layout->addLayout(tools);
    for (QWidget* widget : std::initializer_list<QWidget*>{m_card, m_checked, m_unchecked,
                                                           m_partial, m_radioOn, m_radioOff})
        layout->addWidget(widget);
    layout->addStretch(1);
    return m_buttons;
}

QWidget* GalleryDialog::createInputs()
{
    m_inputs = new QGroupBox(this);
    auto* layout = new QVBoxLayout(m_inputs);
    m_lineEdit = new QLineEdit(m_inputs);
    m_readOnly = new QLineEdit(m_inputs);
    m_readOnly->setReadOnly(true);
    m_password = new QLineEdit(m_inputs);
    m_password->setEchoMode(QLineEdit::Password);
    m_spinBox = new QSpinBox(m_inputs);
    m_spinBox->setRange(0, 100);
    m_spinBox->setValue(42);
    m_comboBox = new QComboBox(m_inputs);
    m_editableCombo = new QComboBox(m_inputs);
    m_editableCombo->setEditable(true);
    auto* slider = new QSlider(Qt::Horizontal, m_inputs);
    slider->setValue(60);
    m_sliderLabel = new QLabel(m_inputs);
    auto* progress = new QProgressBar(m_inputs);
    progress->setValue(70);
    m_textEdit = new QPlainTextEdit(m_inputs);
    for (QWidget* widget : std::initializer_list<QWidget*>{
             m_lineEdit, m_readOnly, m_password, m_spinBox, m_comboBox, m_editableCombo,
             m_sliderLabel, slider, progress, m_textEdit})
        layout->addWidget(widget);
    return m_inputs;
}

QWidget* GalleryDialog::createViews()
{
    auto* views = new QWidget(this);
    auto* layout = new QVBoxLayout(views);
    layout->setContentsMargins(0, 0, 0, 0);
    m_model = new QStandardItemModel(0, 2, this);
    m_tabs = new QTabWidget(views);
    auto* tree = new Tessera::TreeView(m_tabs);
    tree->setModel(m_model);
    auto* table = new QTableView(m_tabs);
    table->setModel(m_model);
    m_tabs->addTab(tree, QString());
    m_tabs->addTab(table, QString());
    m_southTabs = new QTabWidget(views);
    m_southTabs->setTabPosition(QTabWidget::South);
    auto* scroll = new QScrollArea(m_southTabs);
    auto* label = new QLabel(scroll);
    label->setObjectName(QStringLiteral("scrolledLabel"));
    scroll->setWidget(label);
    scroll->setWidgetResizable(true);
    m_southTabs->addTab(scroll, QString());
    auto* splashPage = new QScrollArea(m_southTabs);
    splashPage->setWidget(new Tessera::SplashWidget(splashPage));
    splashPage->setAlignment(Qt::AlignCenter);
    m_southTabs->addTab(splashPage, QString());
    layout->addWidget(m_tabs, 2);
    layout->addWidget(m_southTabs, 1);
    return views;
}

void GalleryDialog::retranslateUi()
{
    setWindowTitle(tr("Tessera Gallery"));
    m_buttons->setTitle(tr("Buttons"));
    m_menuButton->setText(tr("Menu"));
    m_messageButton->setText(tr("Message box"));
    m_fileButton->setText(tr("File dialog"));
    m_checkedTool->setText(tr("Checked"));
    m_tool->setText(tr("Tool"));
    m_tool->setToolTip(tr("A tool button with a tool tip"));
    m_card->setText(tr("Save"));
    m_card->setDescription(tr("Save the crash report"));
    m_checked->setText(tr("Checked"));
    m_unchecked->setText(tr("Unchecked"));
    m_partial->setText(tr("Partly checked"));
    m_radioOn->setText(tr("Radio on"));
    m_radioOff->setText(tr("Radio off"));
    m_inputs->setTitle(tr("Inputs"));
    m_lineEdit->setPlaceholderText(tr("Type here"));
    m_readOnly->setText(tr("Read-only text"));
    m_password->setText(QStringLiteral("secret"));
    m_comboBox->clear();
    m_comboBox->addItems({tr("First choice"), tr("Second choice")});
    m_editableCombo->clear();
    m_editableCombo->addItems({tr("Editable choice"), tr("Another")});
    m_sliderLabel->setText(tr("Slider and progress"));
    m_textEdit->setPlainText(tr("A plain text editor.\nIt holds a few lines."));
    m_tabs->setTabText(0, tr("Tree"));
    m_tabs->setTabText(1, tr("Table"));
    m_southTabs->setTabText(0, tr("Scroll area"));
    m_southTabs->setTabText(1, tr("Splash"));
    m_model->clear();
    m_model->setHorizontalHeaderLabels({tr("Name"), tr("Value")});
    for (int row = 1; row <= 12; ++row) {
        auto* item = new QStandardItem(tr("Item %1").arg(row));
        if (row == 1)
            item->appendRow(
                {new QStandardItem(tr("Child")), new QStandardItem(QStringLiteral("1"))});
        m_model->appendRow({item, new QStandardItem(QString::number(row * 7))});
    }
    QStringList lines;
    for (int line = 1; line <= 30; ++line)
        lines << tr("Line %1 of a scroll area").arg(line);
    findChild<QLabel*>(QStringLiteral("scrolledLabel"))->setText(lines.join(QLatin1Char('\n')));
    m_menu->clear();
    m_menu->addAction(tr("Open"));
    m_menu->addAction(tr("Save"))->setShortcut(QKeySequence::Save);
    m_menu->addSeparator();
    QAction* checkable = m_menu->addAction(tr("Checkable"));
    checkable->setCheckable(true);
    checkable->setChecked(true);
    m_menu->addMenu(tr("More"))->addAction(tr("Inside"));
    m_menu->addAction(tr("Disabled"))->setEnabled(false);
    m_defaultButton->setText(tr("Close"));
    m_disabledButton->setText(tr("Disabled"));
}

void GalleryDialog::openMessageBox()
{
    QMessageBox::critical(this, tr("Error"), tr("There was a problem saving the crash report."));
}

void GalleryDialog::openFileDialog()
{
    QFileDialog::getSaveFileName(this, tr("Save crash dump file"));
}

void GalleryDialog::openMenu()
{
    m_menuButton->showMenu();
}
