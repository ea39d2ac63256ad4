#pragma once

#include "orrery_gui/widgets/orrery_tool_button.h"

namespace Tessera {

// A large tool button with an icon, a title and a description line, for actions such as
// saving or sending a report.
class CardButton : public Orrery::OrreryToolButton
{
    Q_OBJECT

public:
    explicit CardButton(QWidget* parent = nullptr);
    CardButton(const QIcon& icon, QWidget* parent = nullptr);

    QString description() const { return m_description; }
    void setDescription(const QString& description);
    QFont descriptionFont() const { return m_descriptionFont; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void updateDescriptionFont();

    QString m_description;
    QFont m_descriptionFont;
};

} // namespace Tessera
