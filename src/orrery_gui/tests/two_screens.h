#pragma once

#include <QFile>
#include <QTemporaryDir>

// Points the offscreen platform at two screens side by side, 800 x 600 each, with the given
// logical DPI and device pixel ratio; call before the application object exists.
inline void useTwoOffscreenScreens(const QTemporaryDir& folder, int secondDpi, int secondRatio)
{
    const QString path = folder.filePath("screens.json");
    QFile config(path);
    config.open(QIODevice::WriteOnly);
    config.write(QStringLiteral(R"({"screens": [
        {"name": "first", "x": 0, "y": 0, "width": 800, "height": 600, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1},
        {"name": "second", "x": 800, "y": 0, "width": 800, "height": 600, "logicalDpi": %1, "logicalBaseDpi": 96, "dpr": %2}]})")
                     .arg(secondDpi)
                     .arg(secondRatio)
                     .toUtf8());
    config.close();
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + path).toUtf8());
}
