#pragma once

#include "errors/exception.h"

#include <QApplication>
#include <QWidget>

#include <memory>
#include <thread>
#include <utility>

// The program's application object: it makes the platform ready, creates and owns the
// main window, runs the event loop and shows errors that reach the top.
class Application
{
public:
    /// Starts the platform with no arguments but the program's name: Qt would otherwise
    /// obey its own options (-platform, -stylesheet, -reverse...). Where no display can be
    /// opened, says so on standard error and ends the process with status 0.
    explicit Application(const char *programName);
    ~Application();

    /// Names the program, loads Qt's own texts in Brazilian Portuguese and sets the
    /// application icon. Returns once fonts can be used.
    void Initialize();

    /// Builds the main window into `form`; an error raised while building comes out here.
    template <typename Form, typename... Args> void CreateForm(Form *&form, Args &&...args)
    {
        auto created = std::make_unique<Form>(std::forward<Args>(args)...);
        form = created.get();
        m_mainForm = std::move(created);
    }

    /// Shows the main window and runs the event loop until it has closed.
    void Run();

    void ShowException(const Exception &error);

private:
    void awaitFontSetUp();

    int m_argc = 1;
    char *m_argv[2];
    std::thread m_fontSetUp;
    std::unique_ptr<QApplication> m_app;
    std::unique_ptr<QWidget> m_mainForm;
};
