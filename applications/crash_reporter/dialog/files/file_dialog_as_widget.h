#pragma once

#include <QFileDialog>

// A file chooser that stays in place inside its parent after the user accepts or cancels.
class FileDialogAsWidget : public QFileDialog
{
    Q_OBJECT

public:
    explicit FileDialogAsWidget(QWidget* parent = nullptr);

    void done(int result) override;
};
