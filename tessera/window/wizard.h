#pragma once

#include "window_proxy.h"

#include <QPointer>
#include <QWizard>

namespace Tessera {

// A QWizard that is a toolkit window; its pages and navigation stay clear of the border and
// the title bar.
class Wizard : public WindowProxy<QWizard>
{
    Q_OBJECT

public:
    explicit Wizard(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QPointer<QWidget> m_body;
    bool m_restylePending = true;
};

} // namespace Tessera
