#include "version_order.h"

#include <QRegularExpression>

std::optional<VersionOrder> VersionOrder::parse(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral(
        "^(\\d{1,3})\\.(\\d{1,3})(?:\\.(\\d{1,3}))?(?:[. ](RC|BETA|DEBUG)(\\d{1,2}))?$"));
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const QString tag = match.captured(4);
    const BuildType type = tag == QLatin1String("DEBUG")  ? BuildType::Debug
                           : tag == QLatin1String("BETA") ? BuildType::Beta
                           : tag == QLatin1String("RC")   ? BuildType::ReleaseCandidate
                                                          : BuildType::Release;
    VersionOrder order;
    order.m_key = {match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt(),
                   type, match.captured(5).toInt()};
    return order;
}

bool isAtOrAbove(const QString& version, const QString& fixedIn)
{
    const std::optional<VersionOrder> crashed = VersionOrder::parse(version);
    const std::optional<VersionOrder> fixed = VersionOrder::parse(fixedIn);
    return crashed && fixed && *crashed >= *fixed;
}
