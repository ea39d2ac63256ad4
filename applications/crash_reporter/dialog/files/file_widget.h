#pragma once

#include <QWidget>

#include <cstdint>

class FileDialogAsWidget;

// A panel holding one file chooser set up for a purpose.
class FileWidget : public QWidget
{
    Q_OBJECT

public:
    enum Mode : std::uint32_t { Create = 0, Load = 1, SaveAs = 2, Backup = 3, Folder = 4 };

    explicit FileWidget(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

    Mode mode() const { return m_mode; }
    // A value above Folder changes nothing.
    void setMode(Mode mode);
    FileDialogAsWidget* fileDialog() const { return m_fileDialog; }

Q_SIGNALS:
    void confirm();
    void cancel();
    void projectRenamed(const QString& newPath);

private:
    FileDialogAsWidget* m_fileDialog = nullptr;
    Mode m_mode = Create;
};
