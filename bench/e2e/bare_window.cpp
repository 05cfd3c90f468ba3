// The floor the viewer's start-up is compared with: a bare Qt window, or one holding a
// single chart view where the viewer's chart is, at the viewer's place and size. Argument:
// "window" or "chart".
#include "ui/windowdesign.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const bool withChart = argc > 1 && qstrcmp(argv[1], "chart") == 0;
    QWidget window;
    window.move(kWindowPosition);
    window.resize(kWindowOuterSize);
    if (withChart) {
        auto *chart = new QChart;
        chart->addSeries(new QLineSeries);
        chart->createDefaultAxes();
        auto *view = new QChartView(chart, &window);
        view->setGeometry(kChart1Geometry);
    }
    window.show();
    return app.exec();
}
