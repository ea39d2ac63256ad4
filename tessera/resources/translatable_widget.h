#pragma once

#include <QEvent>
#include <QSignalBlocker>

namespace Ui {
// For widgets without a Designer form.
struct NoForm {};
} // namespace Ui

namespace Tessera {

// Sets a widget's texts through retranslateUi() on its first polish and on every language
// change, with the widget's own signals blocked meanwhile. Widgets never call it from their
// constructors.
template <typename Base, typename Form = Ui::NoForm>
class TranslatableWidget
    : public Base
    , protected Form
{
public:
    using Base::Base;

    virtual void retranslateUi() = 0;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::Polish || event->type() == QEvent::LanguageChange) {
            // Restores the previous blocking state, also when retranslateUi() throws.
            const QSignalBlocker blocker(this);
            retranslateUi();
        }
        return Base::event(event);
    }
};

} // namespace Tessera
