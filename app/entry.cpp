#include "app/entry.h"

#include "app/application.h"
#include "ui/tform1.h"

TForm1 *Form1 = nullptr;

int Entry(int &argc, char **argv, const QString &port)
{
    Application application(argc, argv);
    try {
        application.Initialize();
        SerialSettings link;
        link.port = port;
        application.CreateForm(Form1, link);
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
