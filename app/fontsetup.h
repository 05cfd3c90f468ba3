#pragma once

/// Prepares what the first use of a font needs, on whatever thread calls it, so that the
/// window's first text does not wait for it.
void setUpFonts();
