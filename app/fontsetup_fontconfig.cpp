#include "app/fontsetup.h"

#include <fontconfig/fontconfig.h>

void setUpFonts()
{
    // Fontconfig, which Qt uses for fonts on Linux, reads its configuration and font lists
    // the first time any font is used: a fifth of the start-up's work.
    FcInit();
}
