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
    // Resizes by the edges. False when the left button is not held.
    static bool start(QWidget* window, Qt::Edges edges);
    // Moves the window from the start geometry; the handle (in window coordinates) stays
    // within reach on the screen: all of its height and a third of its width.
    static bool startMove(QWidget* window, const QRect& startGeometry, const QRect& handle);
    // Where the press that may start a drag happened: the window follows from there, so the
    // point under the mouse stays under it.
    static void notePress(const QPoint& globalPosition);
    static QPoint pressPosition();

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ManualWindowDrag(QWidget* window, Qt::Edges edges, const QRect& startGeometry,
                     const QRect& handle);
    static bool begin(ManualWindowDrag* drag);
    void follow(const QPoint& globalPosition);
    QPoint reachablePosition(QPoint topLeft, const QPoint& globalPosition) const;
    QRect availableArea(const QPoint& globalPosition) const;

    QPointer<QWidget> m_window;
    Qt::Edges m_edges;
    QPoint m_startCursor;
    QRect m_startGeometry;
    QRect m_handle;
};

} // namespace Tessera
