#pragma once

#include "ui/chartcursors.h"

#include <QChartView>
#include <QElapsedTimer>

class LineSeries;
class QCategoryAxis;
class QLabel;
class QPainter;
class QValueAxis;

// The signal chart: voltage against sample number on fixed axes, 0 to 100 samples by
// 0 to 5.5 V, that never follow the data.
//
// Looking back over the whole session, the x axis spans every point held instead, in
// seconds since the session began, and the wheel (around the pointer), a drag with the
// left button and keys (+, -, =, Left, Right, Home) zoom and pan it; the y axis stays as
// it is. Where the session's store dropped samples, the line breaks and the span is marked.
//
// Two cursors measure on it, in either view: a click puts A on the nearest sample, a
// Shift+click puts B; with the chart focused, A and B put them at the first and last
// samples shown (or choose one already there), the arrows move the one chosen last a
// sample (ten with Shift) and Esc removes both. Under review the arrows move the range
// only while no cursor is placed, and a drag still moves it: a click is a press and a
// release with no move between them. The measures show in a panel inside the plot. The
// events marked on samples show as dashed lines with their text.
//
// What a screen reader says of the chart (its description) is the chart's own: the view,
// the samples dropped, the events, how to measure, the file being recorded; the panel is
// its child, read with the measures.
class SignalChart : public QChartView
{
    Q_OBJECT
public:
    static constexpr double kMaxVolts = 5.5;

    explicit SignalChart(QWidget *parent = nullptr);

    /// Draws this series as the chart's blue line.
    void addSeries(LineSeries *series);

    QValueAxis *LeftAxis() const { return m_leftAxis; }

    /// Spans the x axis over the whole session (on) or brings back the fixed view (off).
    void setWholeSessionView(bool on);
    bool wholeSessionView() const;
    /// The file the session is being recorded to, for the description; empty when none.
    void setRecordingFile(const QString &path);

    ChartCursors *cursors() const { return m_cursors; }
    /// The panel that shows the measures, inside the plot while a cursor is placed.
    QLabel *measurePanel() const { return m_panel; }
    /// The measures as text, one a line, named, with units; empty without a cursor.
    QString measuresText() const;
    /// An event was marked on a sample: has the chart show it.
    void showEvents();
    /// Labels the top of the plot, under review, with the time of day of the samples there.
    void showTimeOfDay();

signals:
    void wholeSessionViewChanged(bool on);

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void setUpTitleAndBackground();
    void setUpAxes();
    void setUpView();
    void showRange(double minX, double maxX);
    void describe();
    double valueAt(double viewX) const;
    void zoomAround(double x, double factor);
    void panBy(double dx);
    void reviewRange(double minX, double maxX);
    void noteDropped();
    void paintDropped(QPainter &painter);
    void setUpMeasures();
    bool cursorKey(QKeyEvent *event);
    void placeByKey(ChartCursors::Cursor cursor);
    void placeAt(double viewX, ChartCursors::Cursor cursor);
    void keepActiveCursorShown();
    void showMeasures();
    void placePanel();
    double sampleX(std::int64_t number) const;
    double viewXOf(double value) const;
    QRect plotInView() const;
    void paintEvents(QPainter &painter);
    void paintCursors(QPainter &painter);
    void labelTimeOfDay(double minX, double maxX, double step);

    QValueAxis *m_bottomAxis;
    QValueAxis *m_leftAxis;
    QCategoryAxis *m_timeOfDayAxis = nullptr;
    LineSeries *m_series = nullptr;
    ChartCursors *m_cursors = nullptr;
    Measures m_measures; // what the panel shows
    QLabel *m_panel;
    double m_pressX = 0.0;    // where the left button went down, in view pixels
    double m_dragFromX = 0.0; // where the drag's last move ended, in view pixels
    bool m_pressed = false;
    bool m_dragging = false;
    QString m_recordingFile;
    std::int64_t m_describedDropped = 0; // the samples dropped that the description tells
    QElapsedTimer m_sinceDescribed;
};
