#include "group_triage_panel.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The states a technician sets, in the order of the combo box; a regressed group is shown as
// it is until someone decides again.
constexpr TriageState ChosenStates[] = {TriageState::New, TriageState::Acknowledged,
                                        TriageState::Fixed, TriageState::Ignored,
                                        TriageState::Regressed};

} // namespace

GroupTriagePanel::GroupTriagePanel(QWidget* parent)
    : TranslatableWidget(parent)
{
    m_state = new QComboBox(this);
    for (const TriageState state : ChosenStates)
        m_state->addItem(QString(), QVariant::fromValue(int(state)));
    m_stateLabel = new QLabel(this);
    m_stateLabel->setBuddy(m_state);
    m_fixedIn = new QLineEdit(this);
    m_fixedInLabel = new QLabel(this);
    m_fixedInLabel->setBuddy(m_fixedIn);
    m_note = new QLineEdit(this);
    m_noteLabel = new QLabel(this);
    m_noteLabel->setBuddy(m_note);
    m_save = new QPushButton(this);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stateLabel, 0, 0);
    layout->addWidget(m_state, 0, 1);
    layout->addWidget(m_fixedInLabel, 0, 2);
    layout->addWidget(m_fixedIn, 0, 3);
    layout->addWidget(m_noteLabel, 1, 0);
    layout->addWidget(m_note, 1, 1, 1, 3);
    layout->addWidget(m_save, 1, 4);
    layout->setColumnStretch(3, 1);

    connect(m_state, &QComboBox::currentIndexChanged, this, &GroupTriagePanel::updateFields);
    connect(m_save, &QPushButton::clicked, this, &GroupTriagePanel::save);
    connect(m_note, &QLineEdit::returnPressed, this, &GroupTriagePanel::save);
    connect(m_fixedIn, &QLineEdit::returnPressed, this, &GroupTriagePanel::save);
    setGroup(std::nullopt);
}

void GroupTriagePanel::setGroup(const std::optional<SignatureGroup>& group)
{
    const std::optional<GroupTriage> triage =
        group && group->triage.id > 0 ? std::optional(group->triage) : std::nullopt;
    // A refresh while the technician edits this group's fields leaves the edits alone.
    const bool sameGroup = m_triage && triage && m_triage->id == triage->id;
    const bool editing = sameGroup && isAncestorOf(QApplication::focusWidget());
    m_triage = triage;
    if (editing)
        return;
    m_shown = m_triage.value_or(GroupTriage{});
    const GroupTriage& shown = m_shown;
    m_state->setCurrentIndex(
        int(std::find(std::begin(ChosenStates), std::end(ChosenStates), shown.state) -
            std::begin(ChosenStates)));
    m_fixedIn->setText(shown.fixedIn);
    m_note->setText(shown.note);
    updateFields();
}

void GroupTriagePanel::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    updateFields();
}

void GroupTriagePanel::updateFields()
{
    const bool group = m_triage.has_value() && !m_readOnly;
    const auto state = TriageState(m_state->currentData().toInt());
    for (QWidget* field : std::initializer_list<QWidget*>{m_state, m_note, m_save})
        field->setEnabled(group);
    m_fixedIn->setEnabled(group && hasFixingVersion(state));
}

void GroupTriagePanel::save()
{
    if (!m_triage || m_readOnly)
        return;
    GroupTriage wanted = m_shown;
    wanted.state = TriageState(m_state->currentData().toInt());
    wanted.fixedIn = m_fixedIn->text().trimmed();
    wanted.note = m_note->text();
    Q_EMIT triageChosen(m_shown, wanted);
}

void GroupTriagePanel::retranslateUi()
{
    m_stateLabel->setText(tr("S&tate:"));
    m_state->setAccessibleName(tr("State"));
    m_state->setItemText(0, tr("New"));
    m_state->setItemText(1, tr("Acknowledged"));
    m_state->setItemText(2, tr("Fixed"));
    m_state->setItemText(3, tr("Ignored"));
    m_state->setItemText(4, tr("Regressed"));
    m_fixedInLabel->setText(tr("Fixed &in:"));
    m_fixedIn->setAccessibleName(tr("Fixed in"));
    m_fixedIn->setPlaceholderText(tr("6.4.1"));
    m_noteLabel->setText(tr("Not&e:"));
    m_note->setAccessibleName(tr("Note"));
    m_save->setText(tr("&Save"));
    m_save->setAccessibleName(tr("Save the group's state"));
}
