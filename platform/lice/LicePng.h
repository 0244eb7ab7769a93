// PNG reading and writing for the drawing layer.
#pragma once

#include "LiceBitmap.h"

#include <cstddef>

// Reads a PNG file; returns a new bitmap the caller owns, or null when the file is missing or not a
// readable PNG. Any thread.
LICE_IBitmap* LICE_LoadPNG(const char* filename);
// Reads a PNG held in memory (size bytes at data); as above.
LICE_IBitmap* LICE_LoadPNGFromMemory(const void* data, size_t size);
// Writes the bitmap as a PNG file; false on failure or for a 0 x 0 bitmap.
bool LICE_WritePNG(const char* filename, const LICE_IBitmap* bitmap);
