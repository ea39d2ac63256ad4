#pragma once

#include "tessera/window/dialog.h"

class FileWidget;

// A toolkit dialog showing one file panel; accepting or cancelling in it closes the dialog.
class FileDialog : public Tessera::Dialog
{
    Q_OBJECT

public:
    explicit FileDialog(QWidget* parent = nullptr);

    FileWidget* fileWidget() const { return m_fileWidget; }

private:
    FileWidget* m_fileWidget = nullptr;
};
