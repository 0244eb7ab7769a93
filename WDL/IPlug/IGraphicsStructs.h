// Small value types of the editor surface: rectangles, colours, text styles, bitmaps, blends and mouse flags.
#pragma once

#include <cstring>

// Types of the drawing layer (platform/lice); the surface only handles pointers to them.
class LICE_IBitmap;
class LICE_IFont;

// Stacking direction of radio buttons and similar controls.
enum EDirection
{
  kVertical = 0,
  kHorizontal = 1
};

// What a file prompt asks for.
enum EFileAction
{
  kFileOpen = 0,
  kFileSave = 1
};

// A colour: alpha, red, green, blue, each 0..255.
struct IColor
{
  int A, R, G, B;

  IColor(int a = 255, int r = 0, int g = 0, int b = 0) : A(a), R(r), G(g), B(b) {}
  bool operator==(const IColor& rhs) const { return A == rhs.A && R == rhs.R && G == rhs.G && B == rhs.B; }
  bool operator!=(const IColor& rhs) const { return !(*this == rhs); }
};

const IColor COLOR_TRANSPARENT(0, 0, 0, 0);
const IColor COLOR_BLACK(255, 0, 0, 0);
const IColor COLOR_WHITE(255, 255, 255, 255);

// How a bitmap, line or fill is combined with what is already drawn.
enum EBlendMethod
{
  kBlendNone = 0,       // copy using the source's alpha (also every value outside 1..3)
  kBlendClobber = 1,    // plain copy, alpha ignored
  kBlendAdd = 2,        // additive, using alpha
  kBlendColorDodge = 3, // colour dodge, using alpha
};

// A blend method and a weight 0..1 applied to the whole operation.
struct IChannelBlend
{
  int mMethod;
  float mWeight;

  IChannelBlend(int method = kBlendNone, float weight = 1.0f) : mMethod(method), mWeight(weight) {}
};

// A rectangle in surface pixels, y growing downwards; right and bottom edges are exclusive.
// All four values 0 is the empty rectangle.
struct IRECT
{
  int L = 0, T = 0, R = 0, B = 0;

  IRECT() = default;
  IRECT(int l, int t, int r, int b) : L(l), T(t), R(r), B(b) {}

  bool Empty() const { return L == 0 && T == 0 && R == 0 && B == 0; }
  void Clear() { L = T = R = B = 0; }
  int W() const { return R - L; }
  int H() const { return B - T; }
  // Centre, truncated toward zero.
  int MW() const { return static_cast<int>(0.5 * (L + R)); }
  int MH() const { return static_cast<int>(0.5 * (T + B)); }

  bool operator==(const IRECT& rhs) const { return L == rhs.L && T == rhs.T && R == rhs.R && B == rhs.B; }
  bool operator!=(const IRECT& rhs) const { return !(*this == rhs); }

  // Hit test: the left and top edges belong to the rectangle, the right and bottom edges do not.
  bool Contains(int x, int y) const { return !Empty() && x >= L && x < R && y >= T && y < B; }

  // Both non-empty and overlapping by the surface's rule (this = a, rhs = b):
  // a.R >= b.L, a.L < b.R, a.B >= b.T, a.T < b.B.
  bool Intersects(const IRECT& rhs) const
  {
    return !Empty() && !rhs.Empty() && R >= rhs.L && L < rhs.R && B >= rhs.T && T < rhs.B;
  }

  // The common part when Intersects(rhs), else the empty rectangle.
  IRECT Intersect(const IRECT& rhs) const
  {
    if (!Intersects(rhs))
    {
      return IRECT();
    }
    return IRECT(L > rhs.L ? L : rhs.L, T > rhs.T ? T : rhs.T, R < rhs.R ? R : rhs.R, B < rhs.B ? B : rhs.B);
  }

  // The smallest rectangle holding both; an empty side yields the other.
  IRECT Union(const IRECT& rhs) const
  {
    if (Empty())
    {
      return rhs;
    }
    if (rhs.Empty())
    {
      return *this;
    }
    return IRECT(L < rhs.L ? L : rhs.L, T < rhs.T ? T : rhs.T, R > rhs.R ? R : rhs.R, B > rhs.B ? B : rhs.B);
  }
};

// Mouse flags of an event: left button, right button, Shift, Control, Alt.
// A Command-click (or its Linux equivalent) sets both L and R.
struct IMouseMod
{
  bool L, R, S, C, A;

  IMouseMod(bool l = false, bool r = false, bool s = false, bool c = false, bool a = false)
      : L(l), R(r), S(s), C(c), A(a)
  {
  }
};

// A bitmap handed around by value. The pixels belong to the process-wide bitmap cache, never to the record;
// pixels == nullptr is the empty bitmap, which draws nothing.
struct IBitmap
{
  LICE_IBitmap* pixels = nullptr;
  int width = 0;  // whole image, pixels
  int height = 0; // whole image, pixels
  int frameCount = 1;
  bool framesHorizontal = false; // frames side by side (true) or stacked top to bottom (false)

  IBitmap() = default;
  IBitmap(LICE_IBitmap* p, int w, int h, int n = 1, bool horiz = false)
      : pixels(p), width(w), height(h), frameCount(n), framesHorizontal(horiz)
  {
  }
};

// Text style of a control. The font fields select a cached font on first use (IGraphics::CacheFont); changing
// them afterwards does not pick another font.
struct IText
{
  enum EStyle
  {
    kStyleNormal = 0,
    kStyleBold = 1,
    kStyleItalic = 2
  };
  enum EAlign
  {
    kAlignNear = 0,
    kAlignCenter = 1,
    kAlignFar = 2
  };
  enum EVAlign
  {
    kVAlignTop = 0,
    kVAlignBottom = 1,
    kVAlignMiddle = 2
  };
  enum EQuality
  {
    kQualityDefault = 0,
    kQualityNonAntiAliased = 1,
    kQualityAntiAliased = 2,
    kQualityClearType = 3
  };

  static constexpr int kFontNameLen = 32;

  char mFont[kFontNameLen]; // face name, at most 31 characters
  int mSize;                // height in pixels
  IColor mColor;
  IColor mTextEntryBGColor;
  IColor mTextEntryFGColor;
  int mStyle;                    // EStyle
  int mAlign;                    // EAlign
  int mVAlign;                   // EVAlign
  int mOrientation;              // degrees, counter-clockwise
  int mQuality;                  // EQuality
  LICE_IFont* mCached = nullptr; // owned by the font cache

  explicit IText(int size = 12, const IColor* color = nullptr, const char* font = nullptr,
                 int style = kStyleNormal, int align = kAlignCenter, int orientation = 0,
                 int quality = kQualityClearType, const IColor* textEntryBG = nullptr,
                 const IColor* textEntryFG = nullptr, int vAlign = kVAlignMiddle)
      : mSize(size), mColor(color ? *color : COLOR_BLACK),
        mTextEntryBGColor(textEntryBG ? *textEntryBG : COLOR_WHITE),
        mTextEntryFGColor(textEntryFG ? *textEntryFG : COLOR_BLACK), mStyle(style), mAlign(align),
        mVAlign(vAlign), mOrientation(orientation), mQuality(quality)
  {
    SetFont(font ? font : "Consolas");
  }

  // Copies at most 31 characters of the face name.
  void SetFont(const char* font)
  {
    std::strncpy(mFont, font ? font : "", kFontNameLen - 1);
    mFont[kFontNameLen - 1] = '\0';
  }
};
