// A plain value stored with SetFromPlain ends exactly as SetNormalized(GetNormalized(v)) leaves it, whatever
// the type, range, step and value.
#include "IParam.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

TEST(IParamPlain, StoresExactlyWhatTheNormalisedRoadStores)
{
  struct Kind
  {
    const char* name;
    void (*init)(IParam&);
  };
  const Kind kinds[] = {
      {"enum 0..127", [](IParam& p) { p.InitEnum("e", 0, 128); }},
      {"enum of one", [](IParam& p) { p.InitEnum("e", 0, 1); }},
      {"bool", [](IParam& p) { p.InitBool("b", false); }},
      {"int -64..63 step 1", [](IParam& p) { p.InitDouble("i", 0.0, -64.0, 63.0, 1.0); }},
      {"double step 1", [](IParam& p) { p.InitDouble("d", 0.0, 0.0, 200.0, 1.0); }},
      {"double step 0.5", [](IParam& p) { p.InitDouble("h", 0.0, -3.0, 7.0, 0.5); }},
      {"double step 0.01", [](IParam& p) { p.InitDouble("u", 0.0, 0.0, 1.0, 0.01); }},
      {"untyped", [](IParam&) {}},
      {"fractional minimum",
       [](IParam& p)
       {
         p.InitEnum("f", 0, 10);
         p.InitDouble("f", 0.0, 0.5, 9.5, 1.0);
       }},
  };
  std::vector<double> values = {0.0,    1.0, -1.0, 5.0,  63.0, 64.0, 127.0, 128.0, 300.0,
                                -200.0, 2.5, 0.49, 0.51, -0.5, 7.25, 1e15,  -1e15, 1e300};
  for (int v = -130; v <= 260; ++v)
    values.push_back(v);
  for (const Kind& kind : kinds)
  {
    for (double v : values)
    {
      IParam viaNormalised;
      IParam viaPlain;
      kind.init(viaNormalised);
      kind.init(viaPlain);
      viaNormalised.SetNormalized(viaNormalised.GetNormalized(v));
      viaPlain.SetFromPlain(v);
      // Bit for bit, so that what a dump stores never differs from what the single pushes stored.
      const double a = viaNormalised.Value();
      const double b = viaPlain.Value();
      EXPECT_EQ(0, std::memcmp(&a, &b, sizeof a)) << kind.name << " value " << v << ": " << a << " vs " << b;
    }
  }
}
