#pragma once

#include "window_control.h"

#include <QMargins>
#include <QWidget>

#include <optional>

namespace Tessera {

// An invisible child laid over the whole window whose mask leaves only bands along the
// edges; dragging a band asks for a resize of those edges.
class WindowResizeArea : public QWidget
{
    Q_OBJECT

public:
    explicit WindowResizeArea(QWidget* parent);

    void setMargins(const QMargins& margins);
    QMargins margins() const { return m_margins; }
    // The resize that a press at the point would ask for; none outside the bands or along
    // an edge the window cannot be resized in.
    std::optional<WindowOperation> operationAt(const QPoint& point) const;

Q_SIGNALS:
    void operationRequested(Tessera::WindowOperation operation);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QMargins clampedMargins() const;
    Qt::Edges edgesAt(const QPoint& point) const;
    void updateMask();
    void updateCursor(const QPoint& point);

    QMargins m_margins;
    WindowOperation m_pressOperation = WindowOperation::Move;
    QPoint m_pressPosition;
    bool m_pressed = false;
    std::optional<Qt::CursorShape> m_cursor;
};

} // namespace Tessera
