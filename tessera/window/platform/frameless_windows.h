#pragma once

#include <QtCore/qnamespace.h>

class QWidget;
class QWindow;

namespace Tessera::Platform {

// Takes a top-level widget's native frame away while the window keeps moving, resizing and
// closing like any other; false when the platform cannot (the widget keeps its frame).
bool addFramelessWindow(QWidget* widget);

// Gives the frame back when restoreFrame is set; the entry goes in any case.
void removeFramelessWindow(QWidget* widget, bool restoreFrame);

// Hands a move or resize that the mouse started to the window manager; false when it is not
// taken (the caller then moves or resizes the window itself).
bool startSystemMove(QWindow* window);
bool startSystemResize(QWindow* window, Qt::Edges edges);

// Whether the system shows where a frameless window ends (a compositor's shadow); where it
// does not, the window draws its own edge.
bool systemShowsWindowEdge();

} // namespace Tessera::Platform
