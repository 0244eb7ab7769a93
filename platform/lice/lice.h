// The drawing layer used in place of LICE: bitmaps, blits, lines, fills, fonts and PNG files.
#pragma once

#include "LiceBitmap.h"
#include "LiceDraw.h"
#include "LiceFont.h"
#include "LicePng.h"
