#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QAction;
class QMenu;
class QWidget;
class SampleFeed;
struct RecordingRead;
class SessionRecorder;
class SignalChart;

// What the user may do with the session beyond the window's controls: save the data or
// the chart's picture, record every sample as it arrives, look back over all of it, mark
// an event on the latest sample, copy what the chart's cursors measure, open a recording
// in a window of its own. The
// commands live in the chart's context menu and in shortcuts that work anywhere in the
// window; nothing is added to its layout. While recording, the window's caption starts
// with "● Gravando — ", and the chart names the file in its description.
class SessionCommands : public QObject
{
    Q_OBJECT
public:
    /// Asks where to save: the dialog's caption, the folder and name suggested, the
    /// filters offered (the first chosen at first). Returns the path and sets the filter
    /// chosen; an empty answer is a cancel. The dialog itself confirms replacing a file.
    using FileChooser = std::function<QString(const QString &caption, const QString &suggested,
                                              const QStringList &filters, QString *chosenFilter)>;

    /// Asks which recording to open, starting in `folder`; empty for a cancel.
    using RecordingChooser = std::function<QString(const QString &folder)>;
    /// Asks for an event's text, offering `suggested`; empty for a cancel.
    using EventTextAsker = std::function<QString(const QString &suggested)>;

    /// The commands, as actions of `window`, on the samples of `samples`; their menu opens
    /// on `chart`.
    SessionCommands(QWidget *window, SignalChart *chart, SampleFeed &samples,
                    SessionRecorder &recorder);
    ~SessionCommands() override;

    QMenu *menu() const { return m_menu; }
    QAction *saveDataAction() const { return m_saveData; }
    QAction *recordAction() const { return m_record; }
    QAction *saveImageAction() const { return m_saveImage; }
    QAction *wholeSessionAction() const { return m_wholeSession; }
    QAction *markEventAction() const { return m_markEvent; }
    QAction *copyMeasuresAction() const { return m_copyMeasures; }
    QAction *openRecordingAction() const { return m_openRecording; }

    /// Where the files go; the file dialog unless replaced (as tests do).
    FileChooser chooseFile;
    /// The event's text; a small dialog unless replaced (as tests do).
    EventTextAsker askEventText;
    /// The recording to open; the file dialog unless replaced.
    RecordingChooser chooseRecording;

    /// The chart now shows the whole session (or its fixed view): the command says the
    /// other.
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
    void markEvent();
    void copyMeasures();
    void openRecording();
    void showRecording(const QString &path, RecordingRead read);
    QString startFolder() const;
    void showRecordingState();
    QString askFile(const QString &caption, const QString &extension, const QStringList &filters,
                    QString *chosenFilter = nullptr);
    void report(const QString &message);

    QWidget *m_window;
    SignalChart *m_chart;
    SampleFeed &m_samples;
    SessionRecorder &m_recorder;
    QMenu *m_menu;
    QAction *m_saveData;
    QAction *m_record;
    QAction *m_saveImage;
    QAction *m_wholeSession;
    QAction *m_markEvent;
    QAction *m_copyMeasures;
    QAction *m_openRecording;
    QString m_caption;    // the window's own caption, without the recording mark
    QString m_lastFolder; // where the user last saved, for the next dialog
    bool m_wholeSessionShown = false;
    int m_eventsMarked = 0; // in this run: "Evento N" is never offered twice
};
