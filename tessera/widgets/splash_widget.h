#pragma once

#include "orrery_core/diagnostics/application_description.h"
#include "tessera/resources/translatable_widget.h"

#include <QFrame>

class QLabel;
class QProgressBar;

namespace Orrery {
class StaticSvgWidget;
}

namespace Tessera {

// The branded start-up panel: the product logo as a backdrop, a status text and a progress
// bar, the maker's logo, and the version, revision and rights lines.
class SplashWidget : public TranslatableWidget<QFrame>
{
    Q_OBJECT

public:
    explicit SplashWidget(QWidget* parent = nullptr);

    // Shows or hides the status text and the progress bar; they keep their space.
    void setProgressVisible(bool visible);
    QSize sizeHint() const override;
    void retranslateUi() override;

protected:
    void customEvent(QEvent* event) override;

private:
    QWidget* createLogoPage();
    QWidget* createContentPage();
    void loadLogos();
    void updateTexts();

    Orrery::ApplicationDescription m_application;
    QString m_versionFormat;
    QString m_revisionFormat;
    QString m_rightsFormat;
    QLabel* m_statusLabel = nullptr;
    QProgressBar* m_progressBar = nullptr;
    Orrery::StaticSvgWidget* m_productLogo = nullptr;
    Orrery::StaticSvgWidget* m_makerLogo = nullptr;
    QLabel* m_versionLabel = nullptr;
    QLabel* m_revisionLabel = nullptr;
    QLabel* m_rightsLabel = nullptr;
};

} // namespace Tessera
