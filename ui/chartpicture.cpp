#include "ui/chartpicture.h"

#include "recording/savedfile.h"

#include <QFileInfo>
#include <QPainter>
#include <QSvgGenerator>
#include <QWidget>

QString saveChartPicture(QWidget &chart, const QString &path, const QString &filter)
{
    // The name's own extension, when it is one offered, else the filter chosen.
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool svg =
        suffix == QLatin1String("svg") || (suffix != QLatin1String("png") && filter == kSvgFilter);
    return saveAtOnce(path, QStringLiteral("a imagem"), [&](QIODevice &file) {
        if (!svg)
            return chart.grab().save(&file, "PNG");
        QSvgGenerator drawing;
        drawing.setOutputDevice(&file);
        drawing.setResolution(chart.logicalDpiX()); // the chart's size, not 4/3 of it
        drawing.setSize(chart.size());
        drawing.setViewBox(chart.rect());
        drawing.setTitle(chart.accessibleName());
        QPainter painter(&drawing);
        chart.render(&painter);
        return painter.end();
    });
}
