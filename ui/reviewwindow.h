#pragma once

#include "acquisition/samplestore.h"

#include <QWidget>

struct RecordingRead;
class LineSeries;
class SignalChart;

// A recording opened again, in a window of its own titled with the file's name: the chart
// as in the main window, over the whole recording, zoomed and moved as under "Ver a sessão
// inteira", with the cursors, their measures and the events. Its time axis is tempo_s,
// with the time of day from instante above the plot. It holds what was read of the file,
// which it never writes to; its menu copies the measures and saves the picture.
class ReviewWindow : public QWidget
{
    Q_OBJECT
public:
    /// The window of `read`, read from `path`; it lives as long as `owner` (the main
    /// window), without being drawn inside it.
    ReviewWindow(const QString &path, RecordingRead read, QWidget *owner);
    ~ReviewWindow() override;

    SignalChart *chart() const { return m_chart; }

private:
    void buildMenu();
    void saveImage();
    void copyMeasures();

    QString m_path;
    SampleStore m_store;
    SignalChart *m_chart;
    LineSeries *m_series;
};
