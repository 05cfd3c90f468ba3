#include "app/entry.h"

int main(int argc, char *argv[])
{
    // The board is always on COM2; the program takes no options.
    return Entry(argc, argv, QStringLiteral("COM2"));
}
