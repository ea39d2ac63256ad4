#pragma once

#include "crash_inbox/store/filed_package.h"
#include "tessera/resources/translatable_widget.h"

#include <QWidget>

class QAction;
class QLabel;
class ReportField;
class QPlainTextEdit;
class QTreeWidget;

// One package's report as the technician reads it: when and where it crashed, the comments,
// the output log in a fixed-width font, the entries with their sizes and the file's place.
class ReportView : public Tessera::TranslatableWidget<QWidget>
{
    Q_OBJECT

public:
    explicit ReportView(QWidget* parent = nullptr);

    // None empties the view.
    void setPackage(const std::optional<FiledPackage>& package);
    // The words searched for stand out in the comments and the output log, each word found
    // where a word starts; the log is scrolled to the first.
    void setHighlight(const QStringList& words);

    void retranslateUi() override;

Q_SIGNALS:
    // Double-click, Enter or the context menu on an entry: the technician wants it alone.
    void entryChosen(const QString& name);

private:
    void highlight(QPlainTextEdit* text) const;
    ReportField* addRow(class QFormLayout* form, QLabel*& caption);

    QLabel* m_dateCaption = nullptr;
    ReportField* m_date = nullptr;
    QLabel* m_deviceCaption = nullptr;
    ReportField* m_device = nullptr;
    QLabel* m_serialCaption = nullptr;
    ReportField* m_serial = nullptr;
    QLabel* m_versionCaption = nullptr;
    ReportField* m_version = nullptr;
    QLabel* m_platformCaption = nullptr;
    ReportField* m_platform = nullptr;
    QLabel* m_reasonCaption = nullptr;
    QLabel* m_placeCaption = nullptr;
    QLabel* m_fileCaption = nullptr;
    ReportField* m_reason = nullptr;
    ReportField* m_place = nullptr;
    ReportField* m_file = nullptr;
    QLabel* m_commentsCaption = nullptr;
    QPlainTextEdit* m_comments = nullptr;
    QLabel* m_logCaption = nullptr;
    QPlainTextEdit* m_log = nullptr;
    QLabel* m_entriesCaption = nullptr;
    QTreeWidget* m_entries = nullptr;
    QStringList m_highlighted;
    QAction* m_extractEntry = nullptr;
    QAction* m_copyEntryName = nullptr;
};
