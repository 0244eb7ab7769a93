// ImageInfo: what the skin image cache keeps per image name.
#pragma once

// Value record of UIConfigManager::imageCache; the pixels stay in the drawing surface's bitmap cache.
struct ImageInfo
{
  // Key of the bitmap in the drawing surface's bitmap cache.
  int resourceId = 0;
  // Number of frames in the image (knob positions, button states), at least 1.
  int frameCount = 1;
  // True: frames lie side by side; false: stacked top to bottom.
  bool framesHorizontal = false;
};
