#pragma once

#include "crash_inbox/store/filed_package.h"
#include "tessera/resources/translatable_widget.h"

#include <QChartView>

// Crashes per week, stacked by version, in the toolkit's palette of the current theme.
class CrashChart : public Tessera::TranslatableWidget<QChartView>
{
    Q_OBJECT

public:
    explicit CrashChart(QWidget* parent = nullptr);

    void setPackages(const QList<FiledPackage>& packages);

    void retranslateUi() override;

protected:
    bool event(QEvent* event) override;

private:
    void rebuild();
    void applyPalette();

    QList<FiledPackage> m_packages;
};
