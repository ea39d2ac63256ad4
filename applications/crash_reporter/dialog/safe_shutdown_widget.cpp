#include "safe_shutdown_widget.h"

#include "q5_suite/suite_identity.h"
#include "tessera/resources/fonts.h"
#include "tessera/widgets/splash_widget.h"

#include <QLabel>
#include <QVBoxLayout>

SafeShutdownWidget::SafeShutdownWidget(QWidget* parent)
    : TranslatableWidget(parent)
{
    m_splash = new Tessera::SplashWidget(this);
    m_splash->setProgressVisible(false);
    m_splash->hide();
    m_messageLabel = new QLabel(this);
    m_messageLabel->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    m_messageLabel->setWordWrap(true);
    m_messageLabel->setFont(Tessera::font(Tessera::FontWeight::Regular, Tessera::FontSize::Px16));
    m_messageLabel->hide();
    QSizePolicy policy = m_messageLabel->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    m_messageLabel->setSizePolicy(policy);

    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    layout->addWidget(m_splash, 0, Qt::AlignHCenter | Qt::AlignVCenter);
    layout->addWidget(m_messageLabel, 1, Qt::AlignBottom);
}

void SafeShutdownWidget::retranslateUi()
{
    m_messageLabel->setText(tr("It is now safe to switch off the %1 System Controller")
                                .arg(productName(m_productModel)));
}
