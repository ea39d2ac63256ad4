#pragma once

#include <QObject>

namespace Tessera {

// Mnemonic underlines stay hidden until the user holds Alt, as on Windows: then the window's
// Alt shortcuts can be found without cluttering every label.
class MnemonicVisibility : public QObject
{
    Q_OBJECT

public:
    explicit MnemonicVisibility(QObject* parent = nullptr);

    bool shown() const { return m_shown; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setShown(bool shown);

    bool m_shown = false;
};

} // namespace Tessera
