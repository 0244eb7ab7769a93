// Text displays: the plain text control and the caption that shows its parameter's value.
#include "IControl.h"

#include "IGraphics.h"
#include "IParam.h"
#include "IPlugBase.h"

ITextControl::ITextControl(IPlugBase* pPlug, IRECT rect, const IText* text, const char* str)
    : IControl(pPlug, rect)
{
  if (text)
  {
    mText = *text;
  }
  if (str && *str)
  {
    mStr = str;
  }
}

bool ITextControl::Draw(IGraphics* pGraphics)
{
  if (mStr.empty())
  {
    return true;
  }
  IRECT r = mRECT;
  // A text wider than the control stays within it: what it drew beside it would be left there when a
  // shorter text redraws only the control's area, and would lie over its neighbours.
  return pGraphics->DrawIText(&mText, &mStr[0], &r, false, true);
}

void ITextControl::SetTextFromPlug(const char* str)
{
  std::string text = str ? str : "";
  GuardedDisplay(
      [this, text]()
      {
        if (mStr != text)
        {
          SetDirty(false);
          mStr = text;
        }
      });
}

ICaptionControl::ICaptionControl(IPlugBase* pPlug, IRECT rect, int paramIdx, const IText* text,
                                 bool showParamLabel)
    : ITextControl(pPlug, rect, text, ""), mShowParamLabel(showParamLabel)
{
  mParamIdx = paramIdx;
}

void ICaptionControl::OnMouseDown(int, int, IMouseMod* pMod)
{
  if (!mGrayed && pMod && (pMod->L || pMod->R))
  {
    PromptUserInput();
  }
}

void ICaptionControl::OnMouseDblClick(int, int, IMouseMod*)
{
  if (!mGrayed)
  {
    PromptUserInput();
  }
}

bool ICaptionControl::Draw(IGraphics* pGraphics)
{
  IParam* param = GetParam();
  if (param)
  {
    // Parameters are written under the plug mutex (also by the audio thread); read it under it too.
    WDL_MutexLock plugLock(mPlug->GetMutex());
    char display[IParam::kDisplayForHostLen] = "";
    param->GetDisplayForHost(param->Value(), false, display, true);
    mStr = mTextsOnly ? param->GetDisplayText(param->Int()) : display;
    if (mShowParamLabel && !mStr.empty())
    {
      mStr += " ";
      mStr += param->GetLabelForHost();
    }
  }
  return ITextControl::Draw(pGraphics);
}
