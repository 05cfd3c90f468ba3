#include "app/application.h"

#include "app/fontsetup.h"
#include "app/stoprequests.h"
#include "errors/errorreporting.h"
#include "ui/accessibleroles.h"
#include "ui/pngicon.h"

#include <QLibraryInfo>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

namespace {

const char kNoDisplay[] = "sensor-viewer: nenhuma tela (display) encontrada. É um programa de "
                          "área de trabalho: inicie-o em uma sessão gráfica.\n";

// Qt's messages while the platform starts, held back: if no display can be opened, the
// user gets one line of ours instead of Qt's warnings followed by an abort.
struct HeldMessage
{
    QtMsgType type;
    QByteArray category;
    QString text;
};
QList<HeldMessage> heldMessages;

void holdStartupMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtFatalMsg) {
        // The QApplication constructor's only fatal error: no platform plugin could be
        // started, which for a desktop program means no display.
        std::fputs(kNoDisplay, stderr);
        std::fflush(stderr);
        std::_Exit(0); // Qt is half built: nothing may run its destructors
    }
    heldMessages.append({type, context.category, text});
}

} // namespace

Application::Application(const char *programName)
    : m_argv{const_cast<char *>(programName ? programName : "sensor-viewer"), nullptr}
{
    // The fonts' set-up, begun here, runs on another core while the platform starts, and
    // the window's first font finds it done.
    m_fontSetUp = std::thread(setUpFonts);
    const QtMessageHandler previous = qInstallMessageHandler(holdStartupMessage);
    m_app = std::make_unique<QApplication>(m_argc, m_argv);
    qInstallMessageHandler(previous);
    for (const HeldMessage &message : std::exchange(heldMessages, {})) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
        previous(message.type, context, message.text);
    }
}

Application::~Application()
{
    awaitFontSetUp();
    m_mainForm.reset(); // the window and its link go before the platform does
}

void Application::awaitFontSetUp()
{
    if (m_fontSetUp.joinable())
        m_fontSetUp.join();
}

void Application::Initialize()
{
    QCoreApplication::setApplicationName(QStringLiteral("sensor-viewer"));
    QGuiApplication::setWindowIcon(pngIcon({QStringLiteral(":/sensor-viewer/icon.png")}));
    installAccessibleRoles();

    // Qt's standard texts (the close button's caption, the dialogs' buttons) in the
    // program's language, Brazilian Portuguese, whatever the desktop's: English inside a
    // Portuguese window would be two languages. Numbers still follow the user's locale.
    auto *translator = new QTranslator(m_app.get());
    if (translator->load(QStringLiteral("qtbase_pt_BR"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    awaitFontSetUp();
}

void Application::Run()
{
    if (!m_mainForm)
        return;
    closeWindowsOnStopRequests();
    m_mainForm->show();
    m_app->exec();
}

void Application::ShowException(const Exception &error)
{
    ::ShowException(error);
}
