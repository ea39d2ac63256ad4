#include "splash_widget.h"

#include "orrery_gui/widgets/static_svg_widget.h"
#include "tessera/application/application_base.h"
#include "tessera/resources/fonts.h"
#include "tessera/theme/theme_change_event.h"

#include <QLabel>
#include <QProgressBar>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace Tessera {
namespace {

constexpr QSize MinimumSize(420, 400);
constexpr QRectF ProductLogoViewBox(0, 27, 420, 393);
constexpr int ProgressWidth = 205;
constexpr int LogoSpacing = 42;

void keepSizeWhenHidden(QWidget* widget)
{
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

QLabel* centredLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    return label;
}

// A splash made before any application shows empty lines, not another application's.
Orrery::ApplicationDescription describedApplication()
{
    const ApplicationBase* application = ApplicationBase::instance();
    return application ? application->description() : Orrery::ApplicationDescription{};
}

} // namespace

SplashWidget::SplashWidget(QWidget* parent)
    : TranslatableWidget(parent)
    , m_application(describedApplication())
{
    auto* pages = new QStackedLayout(this);
    pages->setStackingMode(QStackedLayout::StackAll);
    QWidget* content = createContentPage();
    pages->addWidget(content);
    pages->addWidget(createLogoPage());
    pages->setCurrentWidget(content);
    loadLogos();
    setLineWidth(2);
    setFrameShape(QFrame::NoFrame);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QWidget* SplashWidget::createLogoPage()
{
    auto* page = new QWidget(this);
    m_productLogo = new Orrery::StaticSvgWidget(page);
    m_productLogo->setViewBox(ProductLogoViewBox);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_productLogo);
    layout->addStretch(1);
    return page;
}

QWidget* SplashWidget::createContentPage()
{
    auto* page = new QWidget(this);
    m_statusLabel = centredLabel(page);
    m_statusLabel->setFont(Tessera::font(FontWeight::Regular, FontSize::Px16));
    keepSizeWhenHidden(m_statusLabel);
    m_progressBar = new QProgressBar(page);
    m_progressBar->setAutoFillBackground(true);
    m_progressBar->setFixedWidth(ProgressWidth);
    m_progressBar->setMinimum(0);
    m_progressBar->setAlignment(Qt::AlignCenter);
    m_progressBar->setTextVisible(false);
    keepSizeWhenHidden(m_progressBar);
    m_makerLogo = new Orrery::StaticSvgWidget(page);
    m_makerLogo->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_versionLabel = centredLabel(page);
    m_revisionLabel = centredLabel(page);
    m_rightsLabel = centredLabel(page);

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addStretch(1);
    layout->addWidget(m_statusLabel);
    layout->addWidget(m_progressBar, 0, Qt::AlignHCenter);
    layout->addSpacing(LogoSpacing);
    layout->addWidget(m_makerLogo, 0, Qt::AlignHCenter);
    auto* lines = new QVBoxLayout;
    lines->setContentsMargins(0, 3, 0, 3);
    for (QLabel* label : {m_versionLabel, m_revisionLabel, m_rightsLabel})
        lines->addWidget(label);
    layout->addLayout(lines);
    return page;
}

// The search path picks the current theme's variant.
void SplashWidget::loadLogos()
{
    m_productLogo->load(QStringLiteral("tessera:/images/q5_logo.svg"));
    m_makerLogo->load(QStringLiteral("tessera:/images/varnel_logo.svg"));
}

void SplashWidget::setProgressVisible(bool visible)
{
    m_progressBar->setVisible(visible);
    m_statusLabel->setVisible(visible);
}

QSize SplashWidget::sizeHint() const
{
    const QMargins margins = contentsMargins();
    return QFrame::sizeHint().expandedTo(MinimumSize.grownBy(margins));
}

void SplashWidget::customEvent(QEvent* event)
{
    if (event->type() == ThemeChangeEvent::eventType())
        loadLogos();
    QFrame::customEvent(event);
}

void SplashWidget::retranslateUi()
{
    m_versionFormat = tr("Version %1");
    m_revisionFormat = tr("Revision %1 %2 %3");
    // The year (%3) is filled in with the texts.
    m_rightsFormat =
        tr("Copyright \u00a9 %3 %1. %2").arg(m_application.legalName, tr("All rights reserved."));
    updateTexts();
}

void SplashWidget::updateTexts()
{
    m_versionLabel->setText(
        m_versionFormat.arg(Orrery::versionString<QString>(m_application.version, true)));
    m_revisionLabel->setText(m_revisionFormat.arg(
        m_application.buildCommit, m_application.buildDate, m_application.buildTime));
    m_rightsLabel->setText(m_rightsFormat.arg(m_application.buildDate.right(4)));
}

} // namespace Tessera
