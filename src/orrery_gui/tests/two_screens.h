#pragma once

#include <QFile>
#include <QPair>
#include <QTemporaryDir>

// Points the offscreen platform at screens side by side, 800 x 600 each: the first at 96 DPI
// and ratio 1, then one per (logical DPI, device pixel ratio) given; call before the
// application object exists.
inline void useOffscreenScreens(const QTemporaryDir& folder, const QList<QPair<int, int>>& more)
{
    QString screens = QStringLiteral(
        R"({"name": "s0", "x": 0, "y": 0, "width": 800, "height": 600, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1})");
    for (qsizetype index = 0; index < more.size(); ++index)
        screens +=
            QStringLiteral(
                R"(, {"name": "s%1", "x": %2, "y": 0, "width": 800, "height": 600, "logicalDpi": %3, "logicalBaseDpi": 96, "dpr": %4})")
                .arg(index + 1)
                .arg(800 * (index + 1))
                .arg(more[index].first)
                .arg(more[index].second);
    const QString path = folder.filePath("screens.json");
    QFile config(path);
    config.open(QIODevice::WriteOnly);
    config.write(QStringLiteral(R"({"screens": [%1]})").arg(screens).toUtf8());
    config.close();
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + path).toUtf8());
}
