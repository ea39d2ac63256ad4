#pragma once

#include <QBrush>
#include <QPalette>

class QPainter;
class QStyleOption;
class QWidget;

namespace Tessera {

class Style;

// The shared drawing rule of every framed or filled element: a rounded rectangle whose
// outline, fill, line width and corners follow from the kind and the option's state.
enum class FrameKind {
    None = 0,
    Panel = 1,        // group box frame, menu bar and tool bar panels
    Plain = 2,        // PE_Frame
    Button = 3,       // command, bevel and tool button panels and frames
    LineEdit = 4,     // line edit frame and panel
    Indicator = 5,    // check-box and menu check indicator box
    Window = 6,       // window frames and the toolkit window's background
    Menu = 7,         // menu frame and panel
    ScrollCorner = 8, // scroll-area corner fill
    ScrollSlider = 9, // scroll-bar slider
    Tab = 10,         // tab shape
    ToolTip = 11,     // tool-tip panel
};

struct FrameLook {
    QBrush outline;
    QBrush fill;
    qreal lineWidth = 0;
    qreal radius = 0;
};

// The colour of a keyboard focus ring drawn on that colour.
QColor focusRingColour(const QColor& under, const QPalette& palette);

FrameLook frameLook(FrameKind kind, const QStyleOption* option, const QWidget* widget,
                    const Style& style);
void drawFrameKind(FrameKind kind, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget, const Style& style);

} // namespace Tessera
