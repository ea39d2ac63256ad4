#include "user_palette.h"

#include "tessera/style/style.h"

#include <array>

namespace Tessera {
namespace {

bool isValidGroup(int group)
{
    return group >= 0 && group < UserPalette::GroupCount;
}

bool isValidRole(int role)
{
    return role >= 0 && role < UserPalette::NColourRoles;
}

const QBrush& emptyBrush()
{
    static const QBrush brush;
    return brush;
}

} // namespace

struct UserPalette::Data : QSharedData {
    std::array<std::array<QBrush, NColourRoles>, GroupCount> brushes;
};

UserPalette::UserPalette()
    : UserPalette(Style::applicationStyle())
{}

UserPalette::UserPalette(const Style* style)
    : m_data(new Data)
{
    if (style != nullptr)
        *this = style->toolkitPalette().userPalette();
}

UserPalette::UserPalette(const UserPalette&) = default;
UserPalette& UserPalette::operator=(const UserPalette&) = default;
UserPalette::~UserPalette() = default;

const QBrush& UserPalette::brush(QPalette::ColorGroup group, ColourRole role) const
{
    if (!isValidGroup(group) || !isValidRole(role))
        return emptyBrush();
    return m_data->brushes[std::size_t(group)][std::size_t(role)];
}

const QBrush& UserPalette::brush(ColourRole role) const
{
    return brush(m_currentGroup, role);
}

QColor UserPalette::colour(ColourRole role) const
{
    return brush(role).color();
}

void UserPalette::setBrush(QPalette::ColorGroup group, ColourRole role, const QBrush& brush)
{
    if (!isValidGroup(group) || !isValidRole(role))
        return;
    m_resolveMask |= 1u << role;
    m_data->brushes[std::size_t(group)][std::size_t(role)] = brush;
}

void UserPalette::setBrush(ColourRole role, const QBrush& brush)
{
    if (!isValidRole(role))
        return;
    m_resolveMask |= 1u << role;
    for (auto& group : m_data->brushes)
        group[std::size_t(role)] = brush;
}

UserPalette UserPalette::resolve(const UserPalette& other) const
{
    if (m_resolveMask == 0 || (m_resolveMask == other.m_resolveMask && sameBrushes(other))) {
        UserPalette result = other;
        result.m_resolveMask = m_resolveMask;
        return result;
    }
    UserPalette result = *this;
    result.m_resolveMask = m_resolveMask | other.m_resolveMask;
    for (int role = 0; role < NColourRoles; ++role) {
        if (m_resolveMask & (1u << role))
            continue;
        for (int group = 0; group < GroupCount; ++group)
            result.m_data->brushes[std::size_t(group)][std::size_t(role)] =
                other.m_data->brushes[std::size_t(group)][std::size_t(role)];
    }
    return result;
}

bool UserPalette::sameBrushes(const UserPalette& other) const
{
    return m_data == other.m_data || m_data->brushes == other.m_data->brushes;
}

bool UserPalette::operator==(const UserPalette& other) const
{
    return sameBrushes(other);
}

} // namespace Tessera
