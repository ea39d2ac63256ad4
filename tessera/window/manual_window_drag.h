#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>

class QWidget;

namespace Tessera {

// Moves (no edges) or resizes a top-level window with the mouse while the left button is
// held, for window managers that refuse a system move or resize.
class ManualWindowDrag : public QObject
{
    Q_OBJECT

public:
    // False when the left button is not held.
    static bool start(QWidget* window, Qt::Edges edges);
    // Where the press that may start a drag happened: the window follows from there, so the
    // point under the mouse stays under it.
    static void notePress(const QPoint& globalPosition);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ManualWindowDrag(QWidget* window, Qt::Edges edges);
    void follow(const QPoint& globalPosition);

    QPointer<QWidget> m_window;
    Qt::Edges m_edges;
    QPoint m_startCursor;
    QRect m_startGeometry;
};

} // namespace Tessera
