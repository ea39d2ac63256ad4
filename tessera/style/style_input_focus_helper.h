#pragma once

#include "tessera/palette/palette.h"

#include <QObject>
#include <QPalette>
#include <QPointer>

#include <boost/container/flat_map.hpp>
#include <boost/container/flat_set.hpp>

class QWidget;

namespace Tessera {

// Gives the text input that has keyboard focus the theme's active colours (dark text on white
// in the dark theme) and gives the input its own palette back when focus leaves. Roles the
// input set itself are left alone.
class StyleInputFocusHelper : public QObject
{
    Q_OBJECT

public:
    StyleInputFocusHelper(const Palette& palette, QObject* parent);
    ~StyleInputFocusHelper() override;

    QWidget* widget() const { return m_target; }
    // Moves the decoration to another widget; none clears it.
    void setWidget(QWidget* widget);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void restoreTarget();
    void decorate(QWidget* widget);

    boost::container::flat_map<QPalette::ColorRole, QBrush> m_focusBrushes;
    QPointer<QWidget> m_target;
    QPalette m_savedPalette;
    boost::container::flat_set<QPalette::ColorRole> m_appliedRoles;
    bool m_paletteChanged = false;
};

} // namespace Tessera
