#pragma once

#include <QBrush>
#include <QMetaType>
#include <QObject>
#include <QPalette>
#include <QSharedDataPointer>

namespace Tessera {

class Style;

// The toolkit's colours beyond QPalette: three colour groups of 28 roles, shared between
// copies until one of them changes.
class UserPalette
{
    Q_GADGET

public:
    enum ColourRole {
        ActiveBase,
        ActiveText,
        HoverBase,
        Frame,
        PanelFrame,
        CellBase,
        CellAltBase,
        CellText,
        TableGrid,
        ViewItemBase,
        ViewItemAltBase,
        ViewItemText,
        ViewItemActiveBase,
        ViewItemActiveText,
        HeaderBase,
        HeaderText,
        SliderBase,
        ScrollBarBase,
        ScrollBarControlBase,
        ScrollBarControlFrame,
        TabBase,
        IndicatorBase,
        ArrowIconBase,
        MenuIconBase,
        AlternateHighlight,
        Success,
        Warning,
        Error,
        NColourRoles
    };
    Q_ENUM(ColourRole)

    static constexpr int GroupCount = 3;

    // The user part of the application's toolkit style, or an empty table.
    UserPalette();
    explicit UserPalette(const Style* style);
    UserPalette(const UserPalette&);
    UserPalette& operator=(const UserPalette&);
    ~UserPalette();

    // An empty brush for groups other than Active, Disabled, Inactive or roles out of range.
    const QBrush& brush(QPalette::ColorGroup group, ColourRole role) const;
    const QBrush& brush(ColourRole role) const;
    QColor colour(ColourRole role) const;

    // Out-of-range groups and roles are ignored.
    void setBrush(QPalette::ColorGroup group, ColourRole role, const QBrush& brush);
    // All three groups.
    void setBrush(ColourRole role, const QBrush& brush);

    QPalette::ColorGroup currentColourGroup() const { return m_currentGroup; }
    void setCurrentColourGroup(QPalette::ColorGroup group) { m_currentGroup = group; }

    // Bit n is set when role n was set explicitly.
    quint32 resolveMask() const { return m_resolveMask; }
    // Roles not set here are taken from other.
    UserPalette resolve(const UserPalette& other) const;

    bool operator==(const UserPalette& other) const;
    bool operator!=(const UserPalette& other) const { return !(*this == other); }

private:
    struct Data;
    bool sameBrushes(const UserPalette& other) const;

    QSharedDataPointer<Data> m_data;
    quint32 m_resolveMask = 0;
    QPalette::ColorGroup m_currentGroup = QPalette::Active;
};

} // namespace Tessera

Q_DECLARE_METATYPE(Tessera::UserPalette)
