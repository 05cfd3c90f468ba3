#pragma once

#include <QChartView>

class LineSeries;
class QValueAxis;

// The signal chart: voltage against sample number on fixed axes, 0 to 100 samples by
// 0 to 5.5 V, that never follow the data.
class SignalChart : public QChartView
{
    Q_OBJECT
public:
    static constexpr double kMaxSample = 100.0;
    static constexpr double kMaxVolts = 5.5;

    explicit SignalChart(QWidget *parent = nullptr);

    /// Draws this series as the chart's blue line.
    void addSeries(LineSeries *series);

    QValueAxis *LeftAxis() const { return m_leftAxis; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void setUpTitleAndBackground();
    void setUpAxes();
    void setUpView();

    QValueAxis *m_bottomAxis;
    QValueAxis *m_leftAxis;
};
