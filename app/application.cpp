#include "app/application.h"

#include "errors/errorreporting.h"
#include "ui/accessibleroles.h"

#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

Application::Application(int &argc, char **argv)
    : m_app(argc, argv)
{}

Application::~Application()
{
    m_mainForm.reset(); // the window and its link go before the platform does
}

void Application::Initialize()
{
    QCoreApplication::setApplicationName(QStringLiteral("sensor-viewer"));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/sensor-viewer/icon.png")));
    installAccessibleRoles();

    // Qt's standard texts (the close button's caption among them) in the user's language.
    auto *translator = new QTranslator(&m_app);
    if (translator->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
}

void Application::Run()
{
    if (!m_mainForm)
        return;
    m_mainForm->show();
    m_app.exec();
}

void Application::ShowException(const Exception &error)
{
    ::ShowException(error);
}
