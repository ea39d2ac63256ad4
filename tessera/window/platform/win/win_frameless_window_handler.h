#pragma once

#include <QAbstractNativeEventFilter>
#include <QHash>
#include <QMultiHash>
#include <QObject>
#include <QWidget>

#include <utility>

#include <windows.h>

namespace Tessera {

// Takes the native caption and frame away from registered top-level widgets on Windows while
// their window styles stay, so that snapping, the shadow and the animations remain: the client
// area is made to cover the whole window and the few messages that would paint a native
// caption are answered here.
class WinFramelessWindowHandler
    : public QObject
    , public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    static WinFramelessWindowHandler& instance();
    ~WinFramelessWindowHandler() override;

    bool addWindow(QWidget* widget);
    void removeWindow(QWidget* widget, bool restoreFrame);

    bool eventFilter(QObject* watched, QEvent* event) override;
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    // The handling proper, for registered windows only: the result and whether it was handled.
    std::pair<LRESULT, bool> handleWindowMessage(const MSG& message);

private:
    struct Entry {
        WId window = 0;
        QMetaObject::Connection destroyedConnection;
    };

    WinFramelessWindowHandler();
    void setWindowId(QWidget* widget, WId window);

    QHash<QWidget*, Entry> m_entries;
    QMultiHash<WId, QWidget*> m_widgetsByWindow;
};

} // namespace Tessera
