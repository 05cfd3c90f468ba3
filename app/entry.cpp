#include "app/entry.h"

#include "app/application.h"
#include "ui/tform1.h"

TForm1 *Form1 = nullptr;

int Entry(int &argc, char **argv)
{
    // The program takes no options: the platform hears only its name.
    Application application(argc > 0 ? argv[0] : nullptr);
    try {
        application.Initialize();
        application.CreateForm(Form1);
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
