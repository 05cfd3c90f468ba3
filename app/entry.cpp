#include "app/entry.h"

#include "app/application.h"
#include "app/startupfailure.h"
#include "ui/tform1.h"

TForm1 *Form1 = nullptr;

namespace {

// Builds the main window on the link every run starts with. Where the link fails, the
// user is told, and may be offered another port to start on; false when the program ends.
bool createMainForm(Application &application)
{
    SerialSettings link;
    for (;;) {
        try {
            application.CreateForm(Form1, link);
            return true;
        } catch (const Exception &error) {
            const std::optional<SerialSettings> other = reportStartFailure(error, link);
            if (!other)
                return false;
            link = *other;
        }
    }
}

} // namespace

int Entry(int &argc, char **argv)
{
    // The program takes no options: the platform hears only its name.
    Application application(argc > 0 ? argv[0] : nullptr);
    try {
        application.Initialize();
        if (createMainForm(application))
            application.Run();
    } catch (const Exception &error) {
        application.ShowException(error);
    } catch (...) {
        try {
            throw Exception(QString());
        } catch (const Exception &error) {
            application.ShowException(error);
        }
    }
    Form1 = nullptr;
    return 0;
}
