#pragma once

#include <QString>

#include <optional>

// What a technician decided about a crash group. A group is new until someone decides; a group
// fixed in a version becomes regressed when a crash arrives from that version or a later one.
enum class TriageState { New, Acknowledged, Fixed, Ignored, Regressed };

// Whether a group in the state carries the version that fixed it: fixed, and regressed.
inline bool hasFixingVersion(TriageState state)
{
    return state == TriageState::Fixed || state == TriageState::Regressed;
}

// "new", "acknowledged", "fixed", "ignored", "regressed": as the database and the command line
// write them.
QString triageStateName(TriageState state);
std::optional<TriageState> triageStateNamed(const QString& name);

// A crash group's triage: its number, its state and note, and for a fixed or regressed group
// the version that fixed it.
struct GroupTriage {
    qint64 id = 0;
    TriageState state = TriageState::New;
    QString fixedIn;
    QString note;
};
