#pragma once

#include "recording/samplelog.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

class QAction;
class QMenu;
class QWidget;
class SessionRecorder;

// What the user may do with the session beyond the window's controls: save the data or
// the chart's picture, record every sample as it arrives, look back over all of it. The
// commands live in the chart's context menu and in shortcuts that work anywhere in the
// window; nothing is added to its layout. While recording, the window's caption starts
// with "● Gravando" and the chart's description names the file: both are seen and heard.
class SessionCommands : public QObject
{
    Q_OBJECT
public:
    /// Asks where to save: the dialog's caption, the suggested file, the filter. An empty
    /// answer is a cancel. The dialog itself confirms replacing a file.
    using FileChooser = std::function<QString(const QString &caption, const QString &suggested,
                                              const QString &filter)>;

    /// The commands, as actions of `window`; their menu opens on `chart`.
    SessionCommands(QWidget *window, QWidget *chart);
    ~SessionCommands() override;

    /// Frames are about to be handed over from one read: they share its time.
    void readArrived();
    /// Keeps a decoded frame of the latest read, from the `channel` polled (1..5, 0 before
    /// any).
    void addSample(std::uint16_t reading, int channel);
    /// Forgets the samples kept for saving; a recording goes on.
    void clearSamples();
    bool isRecording() const;

    QMenu *menu() const { return m_menu; }
    QAction *saveDataAction() const { return m_saveData; }
    QAction *recordAction() const { return m_record; }
    QAction *saveImageAction() const { return m_saveImage; }
    QAction *wholeSessionAction() const { return m_wholeSession; }

    /// Where the files go; a file dialog unless replaced (as tests do).
    FileChooser chooseFile;

    /// The chart now shows the whole session (or its fixed view), and says so in its
    /// description: the command says the other.
    void setWholeSessionShown(bool shown);

signals:
    /// The user asked for the whole session (`on`) or the fixed view.
    void wholeSessionToggled(bool on);

private:
    void buildActions();
    void showMenu(const QPoint &position);
    void saveData();
    void toggleRecording();
    void saveImage();
    void toggleWholeSession();
    void showRecordingState();
    QString askFile(const QString &caption, const QString &extension, const QString &filter);
    void report(const QString &message);

    QWidget *m_window;
    QWidget *m_chart;
    QMenu *m_menu;
    QAction *m_saveData;
    QAction *m_record;
    QAction *m_saveImage;
    QAction *m_wholeSession;
    SampleLog m_samples;
    SessionRecorder *m_recorder;
    QString m_caption;          // the window's own caption, without the recording mark
    QString m_chartDescription; // the chart's own description, without the file
    bool m_wholeSessionShown = false;
    qint64 m_readWallMs = 0;   // when the latest read came, on the wall clock
    qint64 m_readSteadyNs = 0; // and on the steady one
};
