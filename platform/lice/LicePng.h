// PNG reading and writing for the drawing layer.
#pragma once

#include "LiceBitmap.h"

#include <cstddef>

// Reads a PNG file; returns a new bitmap the caller owns, or null when the file is missing or not a
// readable PNG. Any thread.
LICE_IBitmap* LICE_LoadPNG(const char* filename);
// Reads a PNG file's bytes and size now and decodes its pixels on their first use (LICE_IBitmap's deferred
// form), so that images that are never drawn cost no decoding. Null when the file is missing or does not
// begin as a PNG; a PNG damaged further in gives a transparent bitmap of its size. Any thread.
LICE_IBitmap* LICE_LoadPNGDeferred(const char* filename);
// Reads a PNG held in memory (size bytes at data); as above.
LICE_IBitmap* LICE_LoadPNGFromMemory(const void* data, size_t size);
// Writes the bitmap as a PNG file; false on failure or for a 0 x 0 bitmap.
bool LICE_WritePNG(const char* filename, const LICE_IBitmap* bitmap);
