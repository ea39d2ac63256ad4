#include "mnemonic_visibility.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace Tessera {

MnemonicVisibility::MnemonicVisibility(QObject* parent)
    : QObject(parent)
{
    if (QCoreApplication* application = QCoreApplication::instance())
        application->installEventFilter(this);
}

bool MnemonicVisibility::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const auto* key = static_cast<const QKeyEvent*>(event);
        if (key->key() == Qt::Key_Alt)
            setShown(event->type() == QEvent::KeyPress);
        break;
    }
    case QEvent::ApplicationDeactivate:
    case QEvent::WindowDeactivate:
        // Alt+Tab away: the release goes to another window.
        setShown(false);
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void MnemonicVisibility::setShown(bool shown)
{
    if (shown == m_shown)
        return;
    m_shown = shown;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible())
            window->update();
    }
}

} // namespace Tessera
