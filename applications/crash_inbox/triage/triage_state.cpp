#include "triage_state.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<TriageState, const char*>, 5> Names = {{
    {TriageState::New, "new"},
    {TriageState::Acknowledged, "acknowledged"},
    {TriageState::Fixed, "fixed"},
    {TriageState::Ignored, "ignored"},
    {TriageState::Regressed, "regressed"},
}};

} // namespace

QString triageStateName(TriageState state)
{
    for (const auto& [value, name] : Names)
        if (value == state)
            return QString::fromLatin1(name);
    return QStringLiteral("new");
}

std::optional<TriageState> triageStateNamed(const QString& name)
{
    for (const auto& [value, text] : Names)
        if (name == QLatin1String(text))
            return value;
    return std::nullopt;
}
