// The process-wide bitmap and font caches used by several surfaces on several threads at once.
#include "BitmapStorage.h"
#include "DrawTestSupport.h"
#include "FontStorage.h"
#include "ImageGraphics.h"

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

using drawtest::solid;

namespace
{
const int kIdThreads = 1900;
const LICE_pixel kGrey = LICE_RGBA(100, 100, 100, 255);
} // namespace

TEST(Caches, ManyThreadsLoadAndCacheTogether)
{
  std::vector<std::unique_ptr<ImageGraphics>> surfaces;
  for (int i = 0; i < 4; ++i)
  {
    surfaces.emplace_back(new ImageGraphics(50, 50));
    surfaces.back()->AddImage("img/t.png", [] { return solid(30, 30, kGrey); });
  }
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
  {
    threads.emplace_back(
        [&, i]
        {
          ImageGraphics& g = *surfaces[static_cast<size_t>(i)];
          for (int k = 0; k < 20; ++k)
          {
            IBitmap bm = g.LoadIBitmap(kIdThreads + k, "img/t.png", 0.5);
            IText text(10 + k % 5, &COLOR_BLACK, "Consolas");
            if (bm.width != 15 || !g.CacheFont(&text))
            {
              ++failures;
            }
          }
        });
  }
  for (std::thread& t : threads)
  {
    t.join();
  }
  EXPECT_EQ(failures.load(), 0);
  // Every surface now finds one bitmap per id, whichever thread added it first.
  for (int k = 0; k < 20; ++k)
  {
    EXPECT_EQ(surfaces[0]->getImageById(kIdThreads + k).width, 15);
  }
}

TEST(Caches, ADeferredBitmapDrawnFromManyThreadsIsMadeOnce)
{
  std::atomic<int> made{0};
  LICE_IBitmap deferred(8, 8,
                        [&made]
                        {
                          ++made;
                          return std::unique_ptr<LICE_IBitmap>(solid(8, 8, kGrey));
                        });
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
  {
    threads.emplace_back(
        [&]
        {
          std::unique_ptr<LICE_IBitmap> canvas(solid(8, 8, LICE_RGBA(0, 0, 0, 255)));
          LICE_Blit(canvas.get(), &deferred, 0, 0, 0, 0, 8, 8, 1.0f, LICE_BLIT_MODE_COPY);
          if (canvas->getPixel(4, 4) != kGrey)
          {
            ++wrong;
          }
        });
  }
  for (std::thread& t : threads)
  {
    t.join();
  }
  EXPECT_EQ(made.load(), 1);
  EXPECT_EQ(wrong.load(), 0);
}
