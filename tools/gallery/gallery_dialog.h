#pragma once

#include "tessera/resources/translatable_widget.h"
#include "tessera/window/dialog.h"

#include <QPointer>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStandardItemModel;
class QTabWidget;
class QToolButton;

namespace Tessera {
class CardButton;
}

// A toolkit dialog with every kind of widget the system's dialogs show, to look at.
class GalleryDialog : public Tessera::TranslatableWidget<Tessera::Dialog>
{
    Q_OBJECT

public:
    explicit GalleryDialog(QWidget* parent = nullptr);
    void retranslateUi() override;

    void openMessageBox();
    void openFileDialog();
    void openMenu();

private:
    QWidget* createButtons();
    QWidget* createInputs();
    QWidget* createViews();

    QGroupBox* m_buttons = nullptr;
    QPushButton* m_defaultButton = nullptr;
    QPushButton* m_disabledButton = nullptr;
    QPushButton* m_menuButton = nullptr;
    QPushButton* m_messageButton = nullptr;
    QPushButton* m_fileButton = nullptr;
    QToolButton* m_checkedTool = nullptr;
    QToolButton* m_tool = nullptr;
    Tessera::CardButton* m_card = nullptr;
    QCheckBox* m_checked = nullptr;
    QCheckBox* m_unchecked = nullptr;
    QCheckBox* m_partial = nullptr;
    QRadioButton* m_radioOn = nullptr;
    QRadioButton* m_radioOff = nullptr;
    QGroupBox* m_inputs = nullptr;
    QLineEdit* m_lineEdit = nullptr;
    QLineEdit* m_readOnly = nullptr;
    QLineEdit* m_password = nullptr;
    QSpinBox* m_spinBox = nullptr;
    QComboBox* m_comboBox = nullptr;
    QComboBox* m_editableCombo = nullptr;
    QPlainTextEdit* m_textEdit = nullptr;
    QTabWidget* m_tabs = nullptr;
    QTabWidget* m_southTabs = nullptr;
    QLabel* m_sliderLabel = nullptr;
    QStandardItemModel* m_model = nullptr;
    QPointer<QMenu> m_menu;
};
