#include "row_sorting.h"

namespace RowSorting {

int compareVersions(const QString& a, const QString& b)
{
    const std::optional<VersionOrder> first = VersionOrder::parse(a);
    const std::optional<VersionOrder> second = VersionOrder::parse(b);
    if (first && second)
        return compareValues(*first, *second);
    if (first || second)
        return first ? -1 : 1;
    return compareTexts(a, b);
}

int compareTexts(const QString& a, const QString& b)
{
    const int comparison = a.localeAwareCompare(b);
    return comparison < 0 ? -1 : (comparison > 0 ? 1 : 0);
}

} // namespace RowSorting
