#include "crash_report_widget.h"

#include "q5_suite/suite_identity.h"
#include "tessera/resources/fonts.h"
#include "tessera/resources/icons.h"
#include "tessera/widgets/card_button.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QVBoxLayout>

#include <limits>

namespace {

constexpr QSize DefaultSize(520, 300);
constexpr int CardMargin = 4;

QLabel* wrappingLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    return label;
}

QVBoxLayout* cardLayout(QWidget* box)
{
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(CardMargin, CardMargin, CardMargin, CardMargin);
    layout->setSpacing(CardMargin);
    return layout;
}

} // namespace

CrashReportWidget::CrashReportWidget(const CrashRecord& record, const QDateTime& crashTime,
                                     QWidget* parent)
    : TranslatableWidget(parent, Qt::Dialog)
    , m_productModel(record.productModel)
{
    m_titleLabel = new QLabel(this);
    m_titleLabel->setFont(Tessera::font(Tessera::FontWeight::SemiBold, Tessera::FontSize::Px16));
    m_problemLabel = wrappingLabel(this);
    m_explanationLabel = wrappingLabel(this);
    createDetails(record, crashTime);
    createActions();

    auto* layout = new QVBoxLayout(this);
    for (QWidget* widget :
         std::initializer_list<QWidget*>{m_titleLabel, m_problemLabel, m_explanationLabel,
                                         m_detailsBox, m_reportBox, m_controllerBox})
        layout->addWidget(widget);
    setDefaultSize(DefaultSize, Tessera::DefaultSizeMode::Exact);
}

// Creation order is the focus order: the comments, then Save and Email.
void CrashReportWidget::createDetails(const CrashRecord& record, const QDateTime& crashTime)
{
    m_detailsBox = new QGroupBox(this);
    m_dateCaption = new QLabel(m_detailsBox);
    // The month in full and in English, whatever the locale.
    auto* date = new QLabel(
        QLocale::c().toString(crashTime, QStringLiteral("MMMM dd yyyy hh:mm:ss")), m_detailsBox);
    m_serialCaption = new QLabel(m_detailsBox);
    m_serialCaption->hide();
    auto* serial = new QLabel(record.serialNumber, m_detailsBox);
    serial->hide();
    m_versionCaption = new QLabel(m_detailsBox);
    auto* version = new QLabel(Orrery::versionString<QString>(record.version, true), m_detailsBox);
    m_commentsCaption = new QLabel(m_detailsBox);
    m_commentsEditor = new QPlainTextEdit(m_detailsBox);
    // Tab moves on to Save and Email instead of typing a tab character.
    m_commentsEditor->setTabChangesFocus(true);
    m_commentsCaption->setBuddy(m_commentsEditor);

    auto* grid = new QGridLayout(m_detailsBox);
    grid->addWidget(m_dateCaption, 0, 0);
    grid->addWidget(date, 0, 1, Qt::AlignRight);
    grid->addWidget(m_serialCaption, 1, 0);
    grid->addWidget(serial, 1, 1, Qt::AlignRight);
    grid->addWidget(m_versionCaption, 2, 0);
    grid->addWidget(version, 2, 1, Qt::AlignRight);
    grid->addWidget(m_commentsCaption, 3, 0, Qt::AlignTop);
    grid->addWidget(m_commentsEditor, 3, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(3, 1);
}

void CrashReportWidget::createActions()
{
    m_reportBox = new QGroupBox(this);
    m_saveButton = createCardButton(m_reportBox, "tessera:/icons/file_save.svg",
                                    &CrashReportWidget::saveRequested);
    m_emailButton = createCardButton(m_reportBox, "tessera:/icons/file_export.svg",
                                     &CrashReportWidget::sendRequested);
    m_emailButton->setVisible(true);
    m_packagingProgress = new QProgressBar(m_reportBox);
    m_packagingProgress->setRange(0, 1000);
    m_packagingProgress->setTextVisible(false);
    m_packagingProgress->hide();
    m_resultLabel = wrappingLabel(m_reportBox);
    m_resultLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_resultLabel->hide();
    QVBoxLayout* report = cardLayout(m_reportBox);
    report->addWidget(m_saveButton);
    report->addWidget(m_emailButton);
    report->addWidget(m_packagingProgress);
    report->addWidget(m_resultLabel);

    m_controllerBox = new QGroupBox(this);
    m_controllerBox->hide();
    m_shutdownButton = createCardButton(m_controllerBox, "tessera:/icons/shutdown.svg",
                                        &CrashReportWidget::shutdownRequested);
    m_restartButton = createCardButton(m_controllerBox, "tessera:/icons/restart.svg",
                                       &CrashReportWidget::restartRequested);
    QVBoxLayout* controller = cardLayout(m_controllerBox);
    controller->addWidget(m_shutdownButton);
    controller->addWidget(m_restartButton);
}

Tessera::CardButton* CrashReportWidget::createCardButton(QWidget* parent, const char* icon,
                                                         void (CrashReportWidget::*signal)())
{
    auto* button = new Tessera::CardButton(Tessera::makeIcon(QLatin1String(icon)), parent);
    connect(button, &QToolButton::clicked, this, signal);
    return button;
}

QString CrashReportWidget::comments() const
{
    return m_commentsEditor->toPlainText();
}

void CrashReportWidget::setCountdown(std::optional<qint64> seconds)
{
    if (seconds == m_countdown)
        return;
    m_countdown = seconds;
    if (seconds)
        m_controllerBox->show();
    updateCountdownText();
}

void CrashReportWidget::setResult(const QString& text)
{
    m_resultLabel->setText(text);
    m_resultLabel->setVisible(!text.isEmpty());
}

void CrashReportWidget::setPackaging(bool packaging)
{
    m_saveButton->setEnabled(!packaging);
    m_emailButton->setEnabled(!packaging);
    m_packagingProgress->setValue(0);
    m_packagingProgress->setVisible(packaging);
}

void CrashReportWidget::setPackagingProgress(int permille)
{
    m_packagingProgress->setValue(permille);
}

void CrashReportWidget::updateCountdownText()
{
    if (!m_countdown) {
        m_restartButton->setDescription(QString());
        return;
    }
    const qint64 clamped = std::clamp<qint64>(*m_countdown, 0, std::numeric_limits<int>::max());
    m_restartButton->setDescription(tr("Auto restart in %n second(s)", nullptr, int(clamped)));
}

void CrashReportWidget::keyPressEvent(QKeyEvent* event)
{
    // Escape never rejects or closes the dialog.
    if (event->matches(QKeySequence::Cancel)) {
        event->ignore();
        return;
    }
    TranslatableWidget::keyPressEvent(event);
}

// The operator can type what happened at once.
void CrashReportWidget::showEvent(QShowEvent* event)
{
    TranslatableWidget::showEvent(event);
    if (!std::exchange(m_shownOnce, true))
        m_commentsEditor->setFocus(Qt::OtherFocusReason);
}

void CrashReportWidget::retranslateUi()
{
    setWindowTitle(tr("Varnel %1 Crash Desk").arg(productName(m_productModel)));
    m_titleLabel->setText(tr("Sorry, something went wrong..."));
    m_problemLabel->setText(
        tr("An error has occurred and the System Controller needs to restart."));
    m_explanationLabel->setText(
        tr("A crash report has been created, which you can save to disk "
           "or email to the Varnel service department") +
        QStringLiteral(" (%1).").arg(QLatin1String(Suite::ServiceDepartmentAddress)));
    m_detailsBox->setTitle(tr("Details"));
    m_dateCaption->setText(tr("Date & Time") + QLatin1Char(':'));
    m_serialCaption->setText(tr("Serial Number") + QLatin1Char(':'));
    m_versionCaption->setText(tr("Version") + QLatin1Char(':'));
    m_commentsCaption->setText(tr("Comments") + QLatin1Char(':'));
    // Without it a screen reader names the editor after its group box.
    m_commentsEditor->setAccessibleName(tr("Comments"));
    m_reportBox->setTitle(tr("Report"));
    m_saveButton->setText(tr("Save"));
    m_emailButton->setText(tr("Email"));
    m_controllerBox->setTitle(tr("Controller"));
    m_shutdownButton->setText(tr("Shutdown"));
    m_restartButton->setText(tr("Restart"));
    m_packagingProgress->setAccessibleName(tr("Writing the package"));
    updateCountdownText();
}
