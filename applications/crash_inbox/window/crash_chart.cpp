#include "crash_chart.h"

#include "tessera/palette/palette.h"
#include "tessera/theme/theme_change_event.h"
#include "weekly_crashes.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QLegend>
#include <QLegendMarker>
#include <QStackedBarSeries>
#include <QValueAxis>

namespace {

constexpr int MaximumCountSteps = 5;

constexpr int ShownWeeks = 12;
constexpr int ShownVersions = 5;

using Tessera::Palette;
using Tessera::UserPalette;

// Distinct colours of the theme, one per version.
QList<QColor> seriesColours()
{
    const Palette& palette = Palette::current();
    return {palette.colour(QPalette::Highlight), palette.colour(UserPalette::Success),
            palette.colour(UserPalette::Warning), palette.colour(UserPalette::Error),
            palette.colour(UserPalette::AlternateHighlight)};
}

} // namespace

CrashChart::CrashChart(QWidget* parent)
    : TranslatableWidget(parent)
{
    setRenderHint(QPainter::Antialiasing);
    setFocusPolicy(Qt::NoFocus);
    chart()->setMargins(QMargins(0, 0, 0, 0));
    chart()->legend()->setAlignment(Qt::AlignBottom);
    chart()->setAnimationOptions(QChart::NoAnimation);
}

void CrashChart::setPackages(const QList<FiledPackage>& packages)
{
    m_packages = packages;
    rebuild();
}

void CrashChart::rebuild()
{
    QChart* chart = this->chart();
    chart->removeAllSeries();
    // A removed axis is no longer the chart's; without this, every refresh would leave two.
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    const WeeklyCrashes crashes =
        weeklyCrashes(m_packages, ShownWeeks, ShownVersions, tr("other versions"));
    auto* series = new QStackedBarSeries(chart);
    int highest = 0;
    QList<int> weekTotals(crashes.weeks.size());
    for (qsizetype index = 0; index < crashes.versions.size(); ++index) {
        const QString& version = crashes.versions.at(index);
        // The legend takes its labels as rich text; a version comes from a package.
        auto* set =
            new QBarSet(version.isEmpty() ? tr("unknown") : version.toHtmlEscaped(), series);
        for (qsizetype week = 0; week < crashes.weeks.size(); ++week) {
            *set << crashes.counts.at(index).value(week);
            weekTotals[week] += crashes.counts.at(index).value(week);
        }
        series->append(set);
    }
    for (const int total : weekTotals)
        highest = std::max(highest, total);
    chart->addSeries(series);
    auto* weeks = new QBarCategoryAxis(chart);
    // Week numbers: a dozen labels share a narrow pane.
    for (const QDate& week : crashes.weeks)
        weeks->append(QString::number(week.weekNumber()));
    weeks->setTitleText(tr("Week"));
    auto* counts = new QValueAxis(chart);
    // Whole numbers only, one tick per crash for a few: never 1, 0, 0, 0.
    const int step = std::max(1, (highest + MaximumCountSteps - 1) / MaximumCountSteps);
    const int steps = std::max(1, (highest + step - 1) / step);
    counts->setRange(0, steps * step);
    counts->setTickCount(steps + 1);
    counts->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(weeks, Qt::AlignBottom);
    chart->addAxis(counts, Qt::AlignLeft);
    series->attachAxis(weeks);
    series->attachAxis(counts);
    applyPalette();
}

void CrashChart::applyPalette()
{
    const Palette& palette = Palette::current();
    QChart* chart = this->chart();
    const QColor text = palette.colour(QPalette::WindowText);
    const QColor lines = palette.colour(UserPalette::Frame);
    chart->setBackgroundBrush(palette.colour(QPalette::Window));
    chart->setBackgroundPen(Qt::NoPen);
    chart->setTitleBrush(text);
    chart->legend()->setLabelColor(text);
    setBackgroundBrush(palette.colour(QPalette::Window));
    for (QAbstractAxis* axis : chart->axes()) {
        axis->setLabelsColor(text);
        axis->setLinePenColor(lines);
        axis->setGridLineColor(lines);
        axis->setLabelsFont(font());
        axis->setTitleBrush(text);
        axis->setTitleFont(font());
    }
    const QList<QColor> colours = seriesColours();
    for (QAbstractSeries* series : chart->series()) {
        const auto sets = static_cast<QStackedBarSeries*>(series)->barSets();
        for (qsizetype index = 0; index < sets.size(); ++index) {
            sets.at(index)->setColor(colours.at(index % colours.size()));
            sets.at(index)->setBorderColor(palette.colour(QPalette::Window));
        }
    }
    chart->legend()->setFont(font());
}

bool CrashChart::event(QEvent* event)
{
    if (event->type() == Tessera::ThemeChangeEvent::eventType() ||
        event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange)
        applyPalette();
    return TranslatableWidget::event(event);
}

void CrashChart::retranslateUi()
{
    setAccessibleName(tr("Crashes per week"));
    chart()->setTitle(tr("Crashes per week"));
    rebuild();
}
