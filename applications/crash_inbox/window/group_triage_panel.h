#pragma once

#include "crash_inbox/store/filed_package.h"
#include "tessera/resources/translatable_widget.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// What a technician decides about the selected crash group: its state, the version that fixed
// it, a note. Saving hands the group's new triage on; nothing is decided for "All crashes".
class GroupTriagePanel : public Tessera::TranslatableWidget<QWidget>
{
    Q_OBJECT

public:
    explicit GroupTriagePanel(QWidget* parent = nullptr);

    // None: no group is selected.
    void setGroup(const std::optional<SignatureGroup>& group);
    // An inbox that can only be read shows the triage but takes no change.
    void setReadOnly(bool readOnly);

    void retranslateUi() override;

Q_SIGNALS:
    // The triage as the fields were filled, and as the technician wants it.
    void triageChosen(const GroupTriage& shown, const GroupTriage& wanted);

private:
    void updateFields();
    void save();

    std::optional<GroupTriage> m_triage;
    bool m_readOnly = false;
    GroupTriage m_shown; // what the fields were filled from
    QLabel* m_stateLabel = nullptr;
    QComboBox* m_state = nullptr;
    QLabel* m_fixedInLabel = nullptr;
    QLineEdit* m_fixedIn = nullptr;
    QLabel* m_noteLabel = nullptr;
    QLineEdit* m_note = nullptr;
    QPushButton* m_save = nullptr;
};
