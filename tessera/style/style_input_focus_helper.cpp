#include "style_input_focus_helper.h"

#include "orrery_gui/painting/colour.h"

#include <QEvent>
#include <QWidget>

namespace Tessera {
namespace {

constexpr QPalette::ColorGroup Groups[] = {QPalette::Active, QPalette::Disabled,
                                           QPalette::Inactive};

} // namespace

StyleInputFocusHelper::StyleInputFocusHelper(const Palette& palette, QObject* parent)
    : QObject(parent)
{
    const UserPalette& user = palette.userPalette();
    const QBrush base = user.brush(QPalette::Active, UserPalette::ActiveBase);
    const QBrush text = user.brush(QPalette::Active, UserPalette::ActiveText);
    m_focusBrushes = {
        {QPalette::Base, base},
        {QPalette::Window, base},
        {QPalette::Text, text},
        {QPalette::WindowText, text},
        {QPalette::PlaceholderText, QBrush(Orrery::blend(text.color(), base.color(), 0.8))}};
}

StyleInputFocusHelper::~StyleInputFocusHelper()
{
    setWidget(nullptr);
}

void StyleInputFocusHelper::setWidget(QWidget* widget)
{
    if (widget == m_target && (widget == nullptr || !m_appliedRoles.empty()))
        return;
    restoreTarget();
    m_target = widget;
    m_savedPalette = QPalette();
    m_appliedRoles.clear();
    m_paletteChanged = false;
    if (widget)
        decorate(widget);
}

// The saved palette comes back, with whatever was changed from outside meanwhile kept.
void StyleInputFocusHelper::restoreTarget()
{
    if (!m_target || m_appliedRoles.empty())
        return;
    m_target->removeEventFilter(this);
    QPalette restored = m_savedPalette;
    if (m_paletteChanged) {
        const QPalette current = m_target->palette();
        for (QPalette::ColorGroup group : Groups) {
            for (int index = 0; index < QPalette::NColorRoles; ++index) {
                const auto role = QPalette::ColorRole(index);
                const QBrush& brush = current.brush(group, role);
                const auto focus = m_focusBrushes.find(role);
                const bool applied = group == QPalette::Active && m_appliedRoles.contains(role);
                if (applied ? brush != focus->second : brush != m_savedPalette.brush(group, role))
                    restored.setBrush(group, role, brush);
            }
        }
    }
    m_target->setPalette(restored);
}

void StyleInputFocusHelper::decorate(QWidget* widget)
{
    m_savedPalette = widget->palette();
    QPalette decorated = m_savedPalette;
    for (const auto& [role, brush] : m_focusBrushes) {
        if (m_savedPalette.isBrushSet(QPalette::Active, role))
            continue;
        decorated.setBrush(QPalette::Active, role, brush);
        m_appliedRoles.insert(role);
    }
    if (m_appliedRoles.empty())
        return;
    widget->setPalette(decorated);
    widget->installEventFilter(this);
}

bool StyleInputFocusHelper::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_target && event->type() == QEvent::PaletteChange)
        m_paletteChanged = true;
    return false;
}

} // namespace Tessera
