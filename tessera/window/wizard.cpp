#include "wizard.h"

#include <QAbstractButton>

namespace Tessera {
namespace {

// QWizard's internal widget that holds the pages and the navigation buttons.
QWidget* findWizardBody(const QWizard* wizard)
{
    for (QObject* child : wizard->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || widget->inherits("Tessera::WindowTitleBar") ||
            widget->inherits("Tessera::WindowResizeArea"))
            continue;
        const QList<QAbstractButton*> buttons = widget->findChildren<QAbstractButton*>();
        const bool holdsNavigation =
            std::any_of(buttons.begin(), buttons.end(), [](const QAbstractButton* button) {
                return button->objectName().startsWith(QLatin1String("qt_wizard_")) ||
                       button->objectName().startsWith(QLatin1String("__qt__passive_wizardbutton"));
            });
        if (holdsNavigation)
            return widget;
    }
    return nullptr;
}

} // namespace

Wizard::Wizard(QWidget* parent, Qt::WindowFlags flags)
    : WindowProxy<QWizard>(parent, flags)
    , m_body(findWizardBody(this))
{
    setProperty("_q_wizard_vista_off", true);
}

void Wizard::showEvent(QShowEvent* event)
{
    if (m_restylePending) {
        m_restylePending = false;
        // The body takes the frame's margins only once the style is set again.
        if (m_body)
            setStyle(testAttribute(Qt::WA_SetStyle) ? style() : nullptr);
    }
    WindowProxy<QWizard>::showEvent(event);
}

void Wizard::changeEvent(QEvent* event)
{
    WindowProxy<QWizard>::changeEvent(event);
    if (event->type() == QEvent::ContentsRectChange && m_body)
        m_body->setContentsMargins(contentsMargins());
}

} // namespace Tessera
