// A sound dump into the whole editor: every control of the part's parameters shows the parsed values, as
// pushing the values one by one showed them.
#include "KorvidTestSupport.h"

#include "ControlLayer.h"
#include "IControl.h"
#include "IGraphics.h"
#include "SoundDumpLayout.h"

#include <functional>
#include <set>
#include <vector>

using namespace korvidtest;

namespace
{
class SoundDumpIntoEditor : public StartupFixture
{
protected:
  SoundDumpIntoEditor() { useResources(pluginFolder()); }

  // Every control of the surface, base controls and the controls of every layer.
  static std::vector<IControl*> allControls(IGraphics* surface)
  {
    std::vector<IControl*> controls;
    std::function<void(ControlLayer*)> walk = [&](ControlLayer* layer)
    {
      controls.insert(controls.end(), layer->mControls.begin(), layer->mControls.end());
      for (ControlLayer* child : layer->mSubLayers)
        walk(child);
    };
    for (int i = 0; i < surface->NControls(); ++i)
      controls.push_back(surface->GetControl(i));
    for (int i = 0; i < surface->NLayers(); ++i)
      walk(surface->GetLayer(i));
    return controls;
  }
};
} // namespace

TEST_F(SoundDumpIntoEditor, EveryControlOfTheParsedParametersShowsItsValue)
{
  auto plug = construct();
  ASSERT_NE(plug->getSurface(), nullptr);
  for (int part : {0, 5})
  {
    SCOPED_TRACE(part);
    std::vector<unsigned char> dump = madeSound(part + 11);
    for (int b = SoundDumpLayout::kFirstParameterByte; b <= SoundDumpLayout::kLastParameterByte; ++b)
    {
      if (!SoundDumpLayout::isFixedByte(b))
        dump[static_cast<size_t>(b)] = static_cast<unsigned char>((b * 29 + part * 7) & 0x7F);
    }
    dump[SysexProtocol::kProgramOffset] = static_cast<unsigned char>(part);
    std::vector<SoundDumpLayout::ParsedValue> values;
    SoundDumpLayout::parseParameters(
        dump.data(), part, [](int) { return 0.0; }, values);
    ASSERT_GT(values.size(), 300u);
    ISysEx sysex(0, dump.data(), static_cast<int>(dump.size()));
    plug->mMIDIMessageManager->sysexPatchParse(&sysex);

    std::set<int> parsed;
    for (const SoundDumpLayout::ParsedValue& v : values)
      parsed.insert(v.paramIdx);
    int checked = 0;
    for (IControl* control : allControls(plug->getSurface()))
    {
      if (parsed.count(control->ParamIdx()))
      {
        EXPECT_DOUBLE_EQ(plug->GetParam(control->ParamIdx())->GetNormalized(), control->GetValue())
            << "control of parameter " << control->ParamIdx();
        ++checked;
      }
      for (int i = 0; i < control->NAuxParams(); ++i)
      {
        const int aux = control->GetAuxParam(i)->mParamIdx;
        if (parsed.count(aux) && control->AuxParamIdx(aux) == i)
        {
          EXPECT_DOUBLE_EQ(plug->GetParam(aux)->GetNormalized(), control->GetAuxParam(i)->mValue)
              << "auxiliary parameter " << aux;
          ++checked;
        }
      }
    }
    EXPECT_GT(checked, 300);
  }
}
