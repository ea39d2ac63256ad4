#include "card_button.h"

#include "tessera/resources/fonts.h"

#include <QEvent>
#include <QStyle>

namespace Tessera {

CardButton::CardButton(QWidget* parent)
    : OrreryToolButton(parent)
{
    setFont(Tessera::font(FontWeight::Regular, FontSize::Px13));
    updateDescriptionFont();
    setAutoRaise(true);
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::Fixed);
    const int iconSize = style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, this);
    setIconSize(QSize(iconSize, iconSize));
}

CardButton::CardButton(const QIcon& icon, QWidget* parent)
    : CardButton(parent)
{
    setIcon(icon);
}

void CardButton::setDescription(const QString& description)
{
    if (description == m_description)
        return;
    m_description = description;
    // The description line counts in the size hint, which QToolButton keeps until a change
    // event tells it that its contents changed.
    QEvent contentsChanged(QEvent::ContentsRectChange);
    OrreryToolButton::changeEvent(&contentsChanged);
    updateGeometry();
    update();
}

void CardButton::changeEvent(QEvent* event)
{
    OrreryToolButton::changeEvent(event);
    if (event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange)
        updateDescriptionFont();
}

// Resolved for this widget as paint device, so that it scales with the widget's DPI.
void CardButton::updateDescriptionFont()
{
    const QFont resolved(Tessera::font(FontWeight::ExtraLight, FontSize::Px13), this);
    if (resolved == m_descriptionFont)
        return;
    m_descriptionFont = resolved;
    update();
    updateGeometry();
}

} // namespace Tessera
