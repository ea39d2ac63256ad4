#pragma once

#include "tessera/resources/translatable_widget.h"

#include <QWidget>

#include <cstdint>
#include <optional>

class QLabel;

namespace Tessera {
class SplashWidget;
}

// Tells the operator that the controller may now be switched off.
class SafeShutdownWidget : public Tessera::TranslatableWidget<QWidget>
{
    Q_OBJECT

public:
    explicit SafeShutdownWidget(QWidget* parent = nullptr);
    void retranslateUi() override;

private:
    std::optional<std::uint8_t> m_productModel;
    Tessera::SplashWidget* m_splash = nullptr;
    QLabel* m_messageLabel = nullptr;
};
