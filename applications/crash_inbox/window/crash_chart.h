#pragma once

#include "crash_inbox/store/filed_package.h"
#include "period_crashes.h"
#include "tessera/resources/translatable_widget.h"

#include <QChartView>

// Crashes per week or month, stacked by version, in the toolkit's palette of the current theme.
// A version keeps its colour whatever the filters show. A screen reader reads the numbers
// from the chart's description.
class CrashChart : public Tessera::TranslatableWidget<QChartView>
{
    Q_OBJECT

public:
    explicit CrashChart(QWidget* parent = nullptr);

    void setCrashDays(const QList<DayCrashes>& days);
    // Every version the desk knows, in the order of releases: each keeps its colour.
    void setKnownVersions(const QStringList& versions);
    void setPeriod(CrashPeriod period);

    void retranslateUi() override;

protected:
    bool event(QEvent* event) override;

private:
    void rebuild();
    void applyPalette();
    void fitPeriodLabels();
    QString periodLabel(const QDate& start, QLocale::FormatType format) const;
    QString axisTitle(const PeriodCrashes& crashes) const;
    QString summary(const PeriodCrashes& crashes) const;

    QList<DayCrashes> m_days;
    QList<QDate> m_shownPeriods;
    QStringList m_knownVersions;
    CrashPeriod m_period = CrashPeriod::Week;
};
