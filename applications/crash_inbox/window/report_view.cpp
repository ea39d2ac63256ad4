#include "report_view.h"

#include "crash_inbox/text/printable.h"

#include "package_list_model.h"
#include "report_field.h"

#include <QAction>
#include <QClipboard>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTextCursor>
#include <QTextDocument>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QPlainTextEdit* readOnlyText(QWidget* parent)
{
    auto* text = new QPlainTextEdit(parent);
    text->setReadOnly(true);
    // Read by keyboard as well: the cursor moves through the text, Tab moves on.
    text->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    text->setTabChangesFocus(true);
    return text;
}

QLabel* caption(QWidget* parent, QWidget* buddy)
{
    auto* label = new QLabel(parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

ReportView::ReportView(QWidget* parent)
    : TranslatableWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    m_date = addRow(form, m_dateCaption);
    m_device = addRow(form, m_deviceCaption);
    m_serial = addRow(form, m_serialCaption);
    m_version = addRow(form, m_versionCaption);
    m_platform = addRow(form, m_platformCaption);
    m_reason = addRow(form, m_reasonCaption);
    m_place = addRow(form, m_placeCaption);
    m_file = addRow(form, m_fileCaption);

    m_comments = readOnlyText(this);
    m_commentsCaption = caption(this, m_comments);
    m_log = readOnlyText(this);
    m_log->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_log->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_logCaption = caption(this, m_log);
    m_entries = new QTreeWidget(this);
    m_entries->setRootIsDecorated(false);
    m_entries->setColumnCount(2);
    m_entries->header()->setStretchLastSection(false);
    m_entries->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_entries->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_entriesCaption = caption(this, m_entries);
    m_entries->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_extractEntry = new QAction(m_entries);
    m_copyEntryName = new QAction(m_entries);
    m_entries->addActions({m_extractEntry, m_copyEntryName});
    const auto currentName = [this] {
        const QTreeWidgetItem* item = m_entries->currentItem();
        return item ? item->data(0, Qt::UserRole).toString() : QString();
    };
    connect(m_entries, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        Q_EMIT entryChosen(item->data(0, Qt::UserRole).toString());
    });
    connect(m_extractEntry, &QAction::triggered, this, [this, currentName] {
        if (!currentName().isEmpty())
            Q_EMIT entryChosen(currentName());
    });
    connect(m_copyEntryName, &QAction::triggered, this,
            [currentName] { QGuiApplication::clipboard()->setText(currentName()); });
    for (QWidget* widget :
         {static_cast<QWidget*>(m_commentsCaption), static_cast<QWidget*>(m_comments),
          static_cast<QWidget*>(m_logCaption), static_cast<QWidget*>(m_log),
          static_cast<QWidget*>(m_entriesCaption), static_cast<QWidget*>(m_entries)})
        layout->addWidget(widget);
    layout->setStretchFactor(m_comments, 2);
    layout->setStretchFactor(m_log, 3);
    layout->setStretchFactor(m_entries, 2);
}

ReportField* ReportView::addRow(QFormLayout* form, QLabel*& captionLabel)
{
    auto* value = new ReportField(this);
    captionLabel = caption(this, value);
    form->addRow(captionLabel, value);
    return value;
}

void ReportView::setPackage(const std::optional<FiledPackage>& package)
{
    const ReportDocument report = package ? package->report : ReportDocument();
    const auto& application = report.application;
    m_date->setValue(crashMoment(report));
    m_device->setValue(application ? application->device.value_or(QString()) : QString());
    m_serial->setValue(application ? application->serial : QString());
    m_version->setValue(application ? application->version : QString());
    m_platform->setValue(application ? application->platform : QString());
    const std::optional<FiledCrash> crash = package ? package->crash : std::nullopt;
    m_reason->setValue(crash ? crash->facts.reason : QString());
    m_place->setValue(crash ? crash->summary.place : (package ? package->crashProblem : QString()));
    m_file->setValue(package ? package->file : QString());
    m_comments->setPlainText(report.comments);
    m_log->setPlainText(report.outputLog.join(QLatin1Char('\n')));
    highlight(m_comments);
    highlight(m_log);
    m_entries->clear();
    if (!package)
        return;
    const QLocale locale;
    for (const PackageEntry& entry : package->entries) {
        auto* item =
            new QTreeWidgetItem(m_entries, {printable(entry.name), locale.toString(entry.size)});
        item->setData(0, Qt::UserRole, entry.name);
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    }
}

void ReportView::setHighlight(const QStringList& words)
{
    if (words == m_highlighted)
        return;
    m_highlighted = words;
    highlight(m_comments);
    highlight(m_log);
}

void ReportView::highlight(QPlainTextEdit* text) const
{
    QTextDocument* document = text->document();
    QTextCursor whole(document);
    whole.select(QTextCursor::Document);
    whole.setCharFormat(QTextCharFormat());
    QTextCharFormat found;
    found.setBackground(palette().brush(QPalette::Highlight));
    found.setForeground(palette().brush(QPalette::HighlightedText));
    int first = -1;
    for (const QString& word : m_highlighted) {
        const QRegularExpression start(QStringLiteral("\\b") + QRegularExpression::escape(word),
                                       QRegularExpression::CaseInsensitiveOption |
                                           QRegularExpression::UseUnicodePropertiesOption);
        for (QTextCursor match = document->find(start); !match.isNull();
             match = document->find(start, match)) {
            match.mergeCharFormat(found);
            first = first < 0 ? match.selectionStart() : std::min(first, match.selectionStart());
        }
    }
    QTextCursor shown(document);
    shown.setPosition(std::max(first, 0));
    text->setTextCursor(shown);
    text->ensureCursorVisible();
}

void ReportView::retranslateUi()
{
    m_dateCaption->setText(tr("Crashed:"));
    m_deviceCaption->setText(tr("Device:"));
    m_serialCaption->setText(tr("Serial:"));
    m_versionCaption->setText(tr("Version:"));
    m_platformCaption->setText(tr("Platform:"));
    m_reasonCaption->setText(tr("Reason:"));
    m_placeCaption->setText(tr("Crash at:"));
    m_fileCaption->setText(tr("File:"));
    m_commentsCaption->setText(tr("Co&mments"));
    m_comments->setAccessibleName(tr("Comments"));
    m_logCaption->setText(tr("Output &log"));
    m_log->setAccessibleName(tr("Output log"));
    m_entriesCaption->setText(tr("E&ntries"));
    m_entries->setAccessibleName(tr("Entries"));
    m_entries->setHeaderLabels({tr("Name"), tr("Size")});
    m_extractEntry->setText(tr("Extract this entry…"));
    m_copyEntryName->setText(tr("Copy its name"));
    m_date->setAccessibleName(tr("Crashed"));
    m_device->setAccessibleName(tr("Device"));
    m_serial->setAccessibleName(tr("Serial"));
    m_version->setAccessibleName(tr("Version"));
    m_platform->setAccessibleName(tr("Platform"));
    m_reason->setAccessibleName(tr("Reason"));
    m_place->setAccessibleName(tr("Crash at"));
    m_file->setAccessibleName(tr("File"));
}
