#include "app/fontsetup.h"

void setUpFonts()
{
    // Windows keeps its fonts ready in a service of its own: nothing to read beforehand.
}
