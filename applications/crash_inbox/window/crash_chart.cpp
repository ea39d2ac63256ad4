#include "crash_chart.h"

#include "tessera/palette/palette.h"
#include "tessera/theme/theme_change_event.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QLegend>
#include <QLegendMarker>
#include <QStackedBarSeries>
#include <QValueAxis>

#include <algorithm>

namespace {

constexpr int MaximumCountSteps = 5;

constexpr int ShownPeriods = 12;
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
    connect(chart(), &QChart::plotAreaChanged, this, &CrashChart::fitPeriodLabels);
}

void CrashChart::setCrashDays(const QList<DayCrashes>& days)
{
    m_days = days;
    rebuild();
}

void CrashChart::setKnownVersions(const QStringList& versions)
{
    if (versions == m_knownVersions)
        return;
    m_knownVersions = versions;
    applyPalette();
}

void CrashChart::setPeriod(CrashPeriod period)
{
    m_period = period;
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
    const PeriodCrashes crashes =
        crashesPerPeriod(m_days, ShownPeriods, ShownVersions, tr("other versions"), m_period);
    setAccessibleDescription(summary(crashes));
    m_shownPeriods.clear();
    if (crashes.periods.isEmpty()) {
        chart->setTitle(tr("No crashes match"));
        return;
    }
    chart->setTitle(m_period == CrashPeriod::Week ? tr("Crashes per week")
                                                  : tr("Crashes per month"));
    auto* series = new QStackedBarSeries(chart);
    QList<int> totals(crashes.periods.size());
    for (qsizetype index = 0; index < crashes.versions.size(); ++index) {
        const QString& version = crashes.versions.at(index);
        // The legend takes its labels as rich text; a version comes from a package.
        auto* set =
            new QBarSet(version.isEmpty() ? tr("unknown") : version.toHtmlEscaped(), series);
        set->setProperty("version", version);
        for (qsizetype at = 0; at < crashes.periods.size(); ++at) {
            *set << crashes.counts.at(index).value(at);
            totals[at] += crashes.counts.at(index).value(at);
        }
        series->append(set);
    }
    const int highest = *std::max_element(totals.cbegin(), totals.cend());
    chart->addSeries(series);
    auto* periods = new QBarCategoryAxis(chart);
    // Short labels (a week's number, a month's name): a dozen share a narrow pane; the year
    // is in the axis title.
    m_shownPeriods = crashes.periods;
    periods->setTruncateLabels(false);
    for (const QDate& start : crashes.periods)
        periods->append(periodLabel(start, QLocale::ShortFormat));
    periods->setTitleText(axisTitle(crashes));
    auto* counts = new QValueAxis(chart);
    // Whole numbers only, one tick per crash for a few: never 1, 0, 0, 0.
    const int step = std::max(1, (highest + MaximumCountSteps - 1) / MaximumCountSteps);
    const int steps = std::max(1, (highest + step - 1) / step);
    counts->setRange(0, steps * step);
    counts->setTickCount(steps + 1);
    counts->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(periods, Qt::AlignBottom);
    chart->addAxis(counts, Qt::AlignLeft);
    series->attachAxis(periods);
    series->attachAxis(counts);
    applyPalette();
}

QString CrashChart::periodLabel(const QDate& start, QLocale::FormatType format) const
{
    if (m_period == CrashPeriod::Week)
        return QString::number(start.weekNumber());
    // Not a letter: "J" would repeat, and the axis drops a label that repeats.
    if (format == QLocale::NarrowFormat)
        return QString::number(start.month());
    return locale().monthName(start.month(), format);
}

// "Week, 2026", "Month, 2025–2026": the years that the periods shown fall in.
QString CrashChart::axisTitle(const PeriodCrashes& crashes) const
{
    // A week belongs to the year of its Thursday (ISO 8601).
    const auto yearOf = [this](const QDate& start) {
        int year = start.year();
        if (m_period == CrashPeriod::Week)
            start.weekNumber(&year);
        return year;
    };
    const int firstYear = yearOf(crashes.periods.constFirst());
    const int lastYear = yearOf(crashes.periods.constLast());
    const QString years = firstYear == lastYear
                              ? QString::number(firstYear)
                              : QStringLiteral("%1–%2").arg(firstYear).arg(lastYear);
    return (m_period == CrashPeriod::Week ? tr("Week, %1") : tr("Month, %1")).arg(years);
}

// What a screen reader reads for the chart: each period's crashes, by version where several.
QString CrashChart::summary(const PeriodCrashes& crashes) const
{
    if (crashes.periods.isEmpty())
        return tr("No crashes match.");
    QStringList periods;
    for (qsizetype at = 0; at < crashes.periods.size(); ++at) {
        int total = 0;
        QStringList byVersion;
        for (qsizetype index = 0; index < crashes.versions.size(); ++index) {
            const int count = crashes.counts.at(index).value(at);
            total += count;
            if (count > 0)
                byVersion << tr("%1 of %2")
                                 .arg(count)
                                 .arg(crashes.versions.at(index).isEmpty()
                                          ? tr("unknown")
                                          : crashes.versions.at(index));
        }
        const QString start = crashes.periods.at(at).toString(Qt::ISODate);
        periods << (byVersion.size() > 1
                        ? tr("from %1: %2 (%3)").arg(start).arg(total).arg(byVersion.join(", "))
                        : tr("from %1: %2").arg(start).arg(total));
    }
    return tr("%1. Crashes %2.").arg(axisTitle(crashes), periods.join(QStringLiteral("; ")));
}

// By the version's place among all the desk knows, so that filters never change it.
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
        axis->setTitleBrush(text);
        axis->setTitleFont(font());
    }
    // A version keeps its colour from one chart to the next; when more versions are known than
    // there are colours, one shown beside a version of the same colour takes the next free one.
    const QList<QColor> colours = seriesColours();
    QList<std::pair<qsizetype, QBarSet*>> sets;
    for (QAbstractSeries* series : chart->series()) {
        for (QBarSet* set : static_cast<QStackedBarSeries*>(series)->barSets()) {
            set->setBorderColor(palette.colour(QPalette::Window));
            sets.append({m_knownVersions.indexOf(set->property("version").toString()), set});
        }
    }
    std::sort(sets.begin(), sets.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    QList<bool> taken(colours.size());
    for (const auto& [known, set] : std::as_const(sets)) {
        if (known < 0) {
            set->setColor(palette.colour(QPalette::PlaceholderText));
            continue;
        }
        qsizetype colour = known % colours.size();
        for (qsizetype tries = 0; taken.at(colour) && tries < colours.size(); ++tries)
            colour = (colour + 1) % colours.size();
        taken[colour] = true;
        set->setColor(colours.at(colour));
    }
    chart->legend()->setFont(font());
    for (QAbstractAxis* axis : chart->axes())
        axis->setLabelsFont(font());
    fitPeriodLabels();
}

// A dozen months share a narrow pane: their names are drawn whole while they fit (the axis
// would turn "May" to "M…" well before), and become their numbers when they do not.
void CrashChart::fitPeriodLabels()
{
    constexpr qreal RoomPerLabelWidth = 1.15;
    const QList<QAbstractAxis*> axes = chart()->axes(Qt::Horizontal);
    auto* periods = axes.isEmpty() ? nullptr : qobject_cast<QBarCategoryAxis*>(axes.first());
    if (!periods || m_shownPeriods.isEmpty())
        return;
    const qreal room = chart()->plotArea().width() / m_shownPeriods.size();
    const QFontMetricsF metrics(periods->labelsFont());
    QStringList labels;
    qreal widest = 0;
    for (const QDate& start : std::as_const(m_shownPeriods)) {
        labels << periodLabel(start, QLocale::ShortFormat);
        widest = std::max(widest, metrics.horizontalAdvance(labels.constLast()));
    }
    if (room > 0 && widest * RoomPerLabelWidth > room) {
        labels.clear();
        for (const QDate& start : std::as_const(m_shownPeriods))
            labels << periodLabel(start, QLocale::NarrowFormat);
    }
    if (periods->categories() != labels)
        periods->setCategories(labels);
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
    setAccessibleName(tr("Crashes over time"));
    rebuild();
}
