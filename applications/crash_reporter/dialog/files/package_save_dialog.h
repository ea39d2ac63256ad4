#pragma once

#include <QFileDialog>

// The save dialog for a crash package. ".cdp" is added to the typed name before the dialog
// asks whether to replace a file, so that the question names the file that will be written.
class PackageSaveDialog : public QFileDialog
{
    Q_OBJECT

public:
    PackageSaveDialog(QWidget* parent, const QString& caption, const QString& folder);

    // The chosen file name, ending with ".cdp"; empty when the operator cancelled.
    static QString getPackageName(QWidget* parent, const QString& caption, const QString& folder);

public Q_SLOTS:
    void accept() override;
};
