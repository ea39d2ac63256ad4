#pragma once

#include "crash_reporter/channel/crash_record.h"
#include "tessera/resources/translatable_widget.h"
#include "tessera/window/dialog.h"

#include <QDateTime>

#include <optional>

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;

namespace Tessera {
class CardButton;
}

// What the operator sees after the controller failed: what happened, the crash details, a
// comments editor and the actions. The buttons only emit signals; the application acts.
class CrashReportWidget : public Tessera::TranslatableWidget<Tessera::Dialog>
{
    Q_OBJECT

public:
    CrashReportWidget(const CrashRecord& record, const QDateTime& crashTime,
                      QWidget* parent = nullptr);

    QString comments() const;
    // The seconds left of the auto action; none clears the text. A countdown shows the
    // Controller box, whose Restart and Shutdown then stay at hand.
    void setCountdown(std::optional<qint64> seconds);
    // What became of the last Save or Email, under the buttons.
    void setResult(const QString& text);
    // While a package is being written, Save and Email wait and its progress shows.
    void setPackaging(bool packaging);
    void setPackagingProgress(int permille);

    void retranslateUi() override;

Q_SIGNALS:
    void sendRequested();
    void saveRequested();
    void restartRequested();
    void shutdownRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void createDetails(const CrashRecord& record, const QDateTime& crashTime);
    void createActions();
    Tessera::CardButton* createCardButton(QWidget* parent, const char* icon,
                                          void (CrashReportWidget::*signal)());
    void updateCountdownText();

    std::optional<std::uint8_t> m_productModel;
    QLabel* m_titleLabel = nullptr;
    QLabel* m_problemLabel = nullptr;
    QLabel* m_explanationLabel = nullptr;
    QGroupBox* m_detailsBox = nullptr;
    QLabel* m_dateCaption = nullptr;
    QLabel* m_serialCaption = nullptr;
    QLabel* m_versionCaption = nullptr;
    QLabel* m_commentsCaption = nullptr;
    QPlainTextEdit* m_commentsEditor = nullptr;
    QGroupBox* m_reportBox = nullptr;
    Tessera::CardButton* m_saveButton = nullptr;
    Tessera::CardButton* m_emailButton = nullptr;
    QProgressBar* m_packagingProgress = nullptr;
    QLabel* m_resultLabel = nullptr;
    QGroupBox* m_controllerBox = nullptr;
    Tessera::CardButton* m_shutdownButton = nullptr;
    Tessera::CardButton* m_restartButton = nullptr;
    std::optional<qint64> m_countdown;
    bool m_shownOnce = false;
};
