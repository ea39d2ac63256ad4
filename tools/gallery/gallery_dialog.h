#pragma once

#include "resources/translatable_widget.h"
#include "window/dialog.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;

// A toolkit dialog with a few ordinary widgets of every kind the system's dialogs show.
class GalleryDialog : public Tessera::TranslatableWidget<Tessera::Dialog>
{
    Q_OBJECT

public:
    explicit GalleryDialog(QWidget* parent = nullptr);
    void retranslateUi() override;

private:
    QGroupBox* m_inputs = nullptr;
    QLineEdit* m_lineEdit = nullptr;
    QCheckBox* m_checkBox = nullptr;
    QComboBox* m_comboBox = nullptr;
    QPlainTextEdit* m_textEdit = nullptr;
    QScrollArea* m_scrollArea = nullptr;
    QPushButton* m_defaultButton = nullptr;
    QPushButton* m_disabledButton = nullptr;
};
